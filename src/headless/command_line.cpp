#include "headless/command_line.h"

namespace zd {

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string& error) {
    CommandLine line;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--headless") {
            line.headless = true;
        } else if (arg == "--relisten") {
            line.relisten = true;
        } else if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--ini") {
            if (i + 1 == args.size()) {
                error = "--ini needs a file name";
                return std::nullopt;
            }
            line.iniPath = args[++i];
        } else if (arg.rfind("--ini=", 0) == 0) {
            line.iniPath = arg.substr(6);
        } else {
            error = "unknown option '" + arg + "'";
            return std::nullopt;
        }
    }
    return line;
}

std::string UsageText(const std::string& program) {
    return "Usage: " + program +
           " [--headless] [--ini FILE] [--relisten]\n"
           "Exchanges text with an Apple Newton over a serial line or the network.\n"
           "\n"
           "  --headless   run without a window: the message log goes to standard output,\n"
           "               \"Info: STATE\" and \"In transit: N\" lines to standard error, and\n"
           "               commands are read from standard input, one a line:\n"
           "                 listen       wait for a Newton\n"
           "                 disconnect   end the connection\n"
           "                 status       open or close the status view\n"
           "                 send FILE    send a text file to the Newton\n"
           "                 paste [TEXT] put TEXT on the clipboard, then send the clipboard\n"
           "                 drop TEXT    send TEXT as if dropped on the window\n"
           "                 clip FILE    write the clipboard (code page 1252) to FILE\n"
           "                 quit         end the connection in order and exit\n"
           "  --ini FILE   use FILE as the preference file\n"
           "  --relisten   listen again whenever a connection has ended (also the\n"
           "               preference Relisten=1), for unattended use\n"
           "  --help       show this text\n";
}

}  // namespace zd
