// How this run of the program was asked to go, by its command line.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zd {

struct RunOptions {
    std::string prefsPath;
    bool relisten = false;  // listen again whenever a pipe has ended
    // Packages to install in one Dock session, after which the program ends.
    std::vector<std::string> installFiles;
    // A text file to type on the Newton through its Connection application,
    // in one session, after which the program ends.
    std::string typeFile;
    // A folder to save the Newton's notes in, in one session; or its notes,
    // Names, Dates and To Do.
    std::string notesFolder;
    std::string exportFolder;
    std::string exportFrom;  // a backup to read instead of a Newton
    // A file to back the whole Newton up into, in one session.
    std::string backupFile;
    // The file holding the Newton's Connection password, or "".
    std::string passwordFile;
    // Preference values for this run only; the preference file keeps its own.
    std::vector<std::pair<std::string, std::string>> prefOverrides;

    // True when the run is one session of its own, after which the program ends.
    bool oneSession() const {
        return !installFiles.empty() || !typeFile.empty() || !notesFolder.empty() ||
               !exportFolder.empty() || !backupFile.empty();
    }
};

}  // namespace zd
