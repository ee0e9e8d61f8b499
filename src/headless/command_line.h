// The program's command-line options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/run_options.h"

namespace zd {

struct CommandLine {
    bool headless = false;
    bool help = false;
    bool version = false;
    bool relisten = false;  // listen again whenever a pipe has ended
    std::string iniPath;    // empty: the default preference file
    // For this run only: the port (0..3 a serial slot, -1 the network), and a
    // serial device for that slot.
    std::optional<int> port;
    std::string device;
    // --install: packages for one Dock session, without a window.
    std::vector<std::string> install;
    // --type-file: a text file to type on the Newton in one session.
    std::string typeFile;
    // --export-notes: a folder for the Newton's notes, in one session.
    std::string exportNotes;
    // --export: a folder for the Newton's data, in one session; --from: the
    // backup to read them from instead of a Newton.
    std::string exportData;
    std::string from;
    // --backup: the file for a whole backup of the Newton, in one session.
    std::string backup;
    // --password-file: the file holding the Newton's Connection password.
    std::string passwordFile;
};

// Parses the arguments after the program name.  On a mistake returns nullopt
// and puts a one-line explanation in `error`.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string& error);

// What the front ends need of `line`; `defaultPrefsPath` when it names no file.
RunOptions ToRunOptions(const CommandLine& line, const std::string& defaultPrefsPath);

// The text of --help, and of --version.
std::string UsageText(const std::string& program);
std::string VersionText();

}  // namespace zd
