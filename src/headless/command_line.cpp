#include "headless/command_line.h"

#include "base/prefs_keys.h"

namespace zd {
namespace {

// "--name VALUE" or "--name=VALUE": the value, or nullopt (with `error` set)
// when it is missing.  Moves `i` past what it used.
std::optional<std::string> ValueOf(const std::vector<std::string>& args, size_t& i,
                                   const std::string& name, const char* what, std::string& error) {
    const std::string& arg = args[i];
    if (arg.size() > name.size() && arg.compare(0, name.size() + 1, name + "=") == 0)
        return arg.substr(name.size() + 1);
    if (i + 1 == args.size() || args[i + 1].empty()) {
        error = name + " needs " + what;
        return std::nullopt;
    }
    return args[++i];
}

bool IsOption(const std::string& arg, const std::string& name) {
    return arg == name || arg.rfind(name + "=", 0) == 0;
}

// The options that take a file or folder: their names, what they need, and
// where the value goes.
struct PathOption {
    const char* name;
    const char* what;
    std::string CommandLine::*value;
};
constexpr PathOption kPathOptions[] = {
    {"--ini", "a file name", &CommandLine::iniPath},
    {"--type-file", "a text file", &CommandLine::typeFile},
    {"--export", "a folder", &CommandLine::exportData},
    {"--from", "a backup file", &CommandLine::from},
    {"--backup", "a file", &CommandLine::backup},
    {"--export-notes", "a folder", &CommandLine::exportNotes},
    {"--password-file", "a file", &CommandLine::passwordFile},
    {"--device", "a device path", &CommandLine::device},
};

const PathOption* PathOptionOf(const std::string& arg) {
    for (const PathOption& option : kPathOptions)
        if (IsOption(arg, option.name)) return &option;
    return nullptr;
}

std::optional<int> ParsePort(const std::string& text) {
    if (text == "network") return -1;
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '3') return text[0] - '0';
    return std::nullopt;
}

}  // namespace

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
        } else if (arg == "--version") {
            line.version = true;
        } else if (const PathOption* option = PathOptionOf(arg)) {
            const auto path = ValueOf(args, i, option->name, option->what, error);
            if (!path) return std::nullopt;
            line.*option->value = *path;
        } else if (IsOption(arg, "--port")) {
            const auto text = ValueOf(args, i, "--port", "0, 1, 2, 3 or network", error);
            if (!text) return std::nullopt;
            line.port = ParsePort(*text);
            if (!line.port) {
                error = "--port takes 0, 1, 2, 3 or network, not '" + *text + "'";
                return std::nullopt;
            }
        } else if (arg == "--install") {
            // Every argument up to the next option is a package.
            while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0)
                line.install.push_back(args[++i]);
            if (line.install.empty()) {
                error = "--install needs a package file";
                return std::nullopt;
            }
        } else {
            error = "unknown option '" + arg + "'";
            return std::nullopt;
        }
    }
    if (!line.install.empty() + !line.typeFile.empty() + !line.exportNotes.empty() +
            !line.exportData.empty() + !line.backup.empty() >
        1) {
        error =
            "--install, --type-file, --export-notes, --export and --backup are each a session "
            "of their own; give one";
        return std::nullopt;
    }
    if (!line.from.empty() && line.exportData.empty()) {
        error = "--from names the backup that --export reads; give --export DIR too";
        return std::nullopt;
    }
    if (!line.device.empty() && line.port == -1) {
        error = "--device names a serial line; it does not go with --port network";
        return std::nullopt;
    }
    return line;
}

RunOptions ToRunOptions(const CommandLine& line, const std::string& defaultPrefsPath) {
    RunOptions options;
    options.prefsPath = line.iniPath.empty() ? defaultPrefsPath : line.iniPath;
    options.relisten = line.relisten;
    options.installFiles = line.install;
    options.typeFile = line.typeFile;
    options.notesFolder = line.exportNotes;
    options.exportFolder = line.exportData;
    options.exportFrom = line.from;
    options.backupFile = line.backup;
    options.passwordFile = line.passwordFile;
    // A device without a port goes into the first slot.
    const int port = line.port.value_or(0);
    if (line.port || !line.device.empty())
        options.prefOverrides.emplace_back(prefs::kPort, std::to_string(port));
    if (!line.device.empty())
        options.prefOverrides.emplace_back(prefs::kSerialDevice[port], line.device);
    return options;
}

std::string VersionText() {
    return std::string("zandorelle ") + ZD_VERSION + "\n";
}

std::string UsageText(const std::string& program) {
    return "Usage: " + program +
           " [OPTION]...\n"
           "Exchanges text with an Apple Newton over a serial line or the network.\n"
           "\n"
           "  --headless         run without a window: the message log goes to standard\n"
           "                     output, \"Info: STATE\" and \"In transit: N\" lines to\n"
           "                     standard error, and commands are read from standard\n"
           "                     input, one a line:\n"
           "                       listen       wait for a Newton\n"
           "                       disconnect   end the connection\n"
           "                       status       open or close the status view\n"
           "                       send FILE    send a text file to the Newton\n"
           "                       paste [TEXT] put TEXT on the clipboard, then send it\n"
           "                       drop TEXT    send TEXT as if dropped on the window\n"
           "                       clip FILE    write the clipboard to FILE, as text files are "
           "written\n"
           "                       install FILE...  install packages: the next connection\n"
           "                                    is the Newton's Connection application\n"
           "                       type TEXT    type TEXT on the Newton through its\n"
           "                                    Connection application\n"
           "                       type-file FILE  type a text file on it the same way\n"
           "                       notes [DIR]  save the Newton's notes, a text file each,\n"
           "                                    in DIR (the receive folder by default)\n"
           "                       export [DIR] save the Newton's notes, Names, Dates and To\n"
           "                                    Do in DIR (the receive folder by default)\n"
           "                       backup [FILE]  back the whole Newton up into FILE (in\n"
           "                                    the receive folder by default)\n"
           "                       quit         end the connection in order and exit\n"
           "  --ini FILE         use FILE as the preference file\n"
           "  --port N|network   for this run, listen on serial slot N (0 to 3) or on the\n"
           "                     network, whatever the preference file says\n"
           "  --device PATH      for this run, use the serial device PATH (in slot 0, or\n"
           "                     in the slot --port names)\n"
           "  --install FILE...  install the packages FILE... through the Newton's\n"
           "                     Connection application, without a window, and exit:\n"
           "                     0 when all were installed, 1 when one was not, 2 when a\n"
           "                     file is no package\n"
           "  --type-file FILE   type the text file FILE on the Newton through its\n"
           "                     Connection application, without a window, and exit:\n"
           "                     0 when all of it was typed, 1 when not, 2 when FILE is\n"
           "                     no text file to send\n"
           "  --export-notes DIR save the Newton's notes in DIR through its Connection\n"
           "                     application, without a window, and exit: 0 when all\n"
           "                     were saved, 1 when one was skipped or the reading was\n"
           "                     cut short, 2 when DIR is no folder\n"
           "  --password-file FILE\n"
           "                     the Newton's Connection password is FILE's first line;\n"
           "                     FILE must be readable by you alone (chmod 600).  On a\n"
           "                     terminal the program asks for the password instead\n"
           "  --export DIR       save the Newton's notes (in DIR/Notes), its Names (Names.vcf),\n"
           "                     its Dates (Dates.ics) and its To Do (To Do.ics) in DIR\n"
           "                     through its Connection application, without a window, and\n"
           "                     exit: 0 when all were saved, 1 when one was skipped or the\n"
           "                     reading was cut short, 2 when DIR is no folder\n"
           "  --export DIR --from FILE\n"
           "                     the same from the backup FILE instead of a Newton\n"
           "  --backup FILE      back the whole Newton up into FILE (a zip archive of every\n"
           "                     store, soup and entry, and its packages) through its\n"
           "                     Connection application, without a window, and exit: 0\n"
           "                     when all was backed up, 1 when not\n"
           "  --relisten         listen again whenever a connection has ended (also the\n"
           "                     preference Relisten=1), for unattended use\n"
           "  --version          show the program's version\n"
           "  --help             show this text\n";
}

}  // namespace zd
