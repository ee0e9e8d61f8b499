// What the link's operations work with: the services the program reaches
// outside itself through, the pipe and its flags, the poll tick's values, the
// progress of a transfer and the network callers being decided on.  The
// program's Session (session/session.h) is one, with the conversations'
// values besides.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "base/clock.h"
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

// The network callers the user is being asked about (since when), and the
// answers not yet taken by the port.
struct AdmissionState {
    std::map<std::string, int64_t> asking;
    std::map<std::string, Admission> answers;
};

struct LinkSession {
    explicit LinkSession(Services services) : svc(services) {}

    Services svc;
    LinkState link;
    PollState poll;
    TransferProgress progress;
    AdmissionState admission;
};

}  // namespace zd
