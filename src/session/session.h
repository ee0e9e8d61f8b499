// The program's process-wide values, in one plain struct that the front end
// owns and every operation takes first: the link's (link/link_session.h) and
// the conversations'.  A test builds a fresh Session and needs no reset of
// globals.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/export_choice.h"
#include "link/link_session.h"

namespace zd {

// The fields of the last command the Newton sent.
struct CommandState {
    std::string commandWord;    // the first field, at most 55 characters
    std::string itemName;       // the third field, at most 50 characters
    bool getRequested = false;  // "#GET" arrived; cleared once the item is delivered
};

// The switches the program keeps in memory besides the preference file.
struct Switches {
    bool saveAsFile = false;  // items go to files instead of the clipboard
    bool launchUrl = false;   // "http:" items open in the browser
    bool autoListen = false;  // listen at start-up (for the preferences dialog)
};

// How the last package installation ended.
enum class InstallOutcome { kNone, kInstalled, kRefused, kFailed };

// Packages for the Newton's Connection application.
struct InstallState {
    std::vector<std::string> packages;  // while a Dock session is expected
    InstallOutcome outcome = InstallOutcome::kNone;
};

namespace dock {
struct Running;
}

// How the last export of the Newton's data (or its notes) ended.
enum class ExportOutcome { kNone, kAllSaved, kSomeSkipped, kCutShort };

// The Connection application's full connection, while one runs.
struct DockState {
    struct Deleter {
        void operator()(dock::Running* running) const;
    };
    std::unique_ptr<dock::Running, Deleter> running;
    CD_Handle pipe = 0;  // the pipe it runs on
    // An export asked for before Connection connected.
    std::optional<ExportRequest> exportWanted;
    // A backup asked for before Connection connected: its file, or "" for
    // the default name in the receive folder.
    std::optional<std::string> backupWanted;
    ExportOutcome exported = ExportOutcome::kNone;
    // The file holding the Connection password (--password-file), read anew
    // for each connection that needs it; "" for none.
    std::string passwordFile;
    // A reading of the Newton is served between the front end's ticks (its
    // window stays usable meanwhile), not as one transfer that waits.
    bool readsBetweenTicks = false;
};

struct Session : LinkSession {
    explicit Session(Services services) : LinkSession(services) {}

    CommandState command;
    Switches switches;
    InstallState install;
    DockState dock;
    // The clipboard or dropped text being sent; it stays until the next one.
    std::string outgoing;
    // The item from the Newton put on the clipboard last: its name and text.
    struct ClipboardItem {
        std::string name;
        std::string text;
    };
    std::optional<ClipboardItem> clipboardItem;
};

}  // namespace zd
