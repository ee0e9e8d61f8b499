// The program's command-line options.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zd {

struct CommandLine {
    bool headless = false;
    bool help = false;
    bool relisten = false;  // listen again whenever a pipe has ended
    std::string iniPath;  // empty: the default preference file
};

// Parses the arguments after the program name.  On a mistake returns nullopt
// and puts a one-line explanation in `error`.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string& error);

// The text of --help.
std::string UsageText(const std::string& program);

}  // namespace zd
