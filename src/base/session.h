// The program's process-wide values, in one plain struct that the front end
// owns and every operation takes first.  A test builds a fresh Session and needs
// no reset of globals.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/export_choice.h"
#include "base/prefs_store.h"
#include "link/dil/dil.h"

namespace zd {

class Desktop;
class Display;
class FrontEnd;

// What the core reaches outside itself through.
struct Services {
    Dil& dil;
    PrefsStore& prefs;
    Clock& clock;
    Display* display = nullptr;    // bound by the front end before the first display operation
    FrontEnd* frontEnd = nullptr;  // bound by the front end before the first command
    Desktop* desktop = nullptr;    // bound by the front end before the first command
};

// The pipe and the flags of the link manager.
struct LinkState {
    CD_Handle pipe = 0;          // 0 while no pipe exists
    bool handshakeDone = false;  // the greeting completed; commands may be read
    bool busy = false;           // a command or transfer runs; no goodbye on close
    // What the conversation on the pipe says when the desktop ends it, where
    // that is not the companion package's "#BYE" ("" for nothing).
    std::optional<std::string> goodbye;
};

enum PendingAction : int32_t { kNoAction = 0, kGreet = 1 };

// A state no pipe reports, so that the next one read is shown.
inline constexpr int32_t kNoStateSeen = -1;

// The values only the poll tick uses.
struct PollState {
    bool startupListen = true;  // the first tick may listen by itself
    int32_t lastState = 5;      // the state the previous tick with a pipe read
    int32_t pendingAction = kNoAction;
    bool relisten = false;       // listen again whenever a pipe has ended
    int64_t nextRelistenMs = 0;  // after a failed listen, no new try before this time
    int64_t acceptedMs = 0;      // when the tick last accepted a Newton
};

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

// How far the transfer under way has come, for its progress.
struct TransferProgress {
    int64_t startMs = -1;  // when it began; -1 while none runs
    int64_t shownMs = 0;   // when its progress was last shown
    int64_t baseline = 0;  // the pipe's bytes moved when it began
    // While the Newton's soups are read: how many entries so far with their
    // noun ("27 notes"), which the transit field shows instead of the bytes
    // waiting; "" otherwise.
    std::string entriesSoFar;
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

// The network callers the user is being asked about (since when), and the
// answers not yet taken by the port.
struct AdmissionState {
    std::map<std::string, int64_t> asking;
    std::map<std::string, Admission> answers;
};

struct Session {
    explicit Session(Services services) : svc(services) {}

    Services svc;
    LinkState link;
    PollState poll;
    CommandState command;
    Switches switches;
    TransferProgress progress;
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
    AdmissionState admission;
};

}  // namespace zd
