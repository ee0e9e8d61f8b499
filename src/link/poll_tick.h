// The link's part of the 100-millisecond tick, and the link's own buttons.
// What a connected pipe is then used for is the conversation's, above.
#pragma once

#include <cstdint>

namespace zd {

struct LinkSession;

// The period of the tick the front end runs the tick on.
inline constexpr int32_t kPollPeriodMs = 100;

// The command numbers of the window's buttons.
enum ButtonCode : int32_t {
    kButtonListen = 0,
    kButtonStatusView = 1,
    kButtonSendFile = 2,
    kButtonPaste = 4,
    kButtonDisconnect = 5,
};

// What the link's part of a tick found.
struct LinkReading {
    bool pipe = false;    // a pipe exists
    int32_t state = 0;    // its state, read before accepting
    int32_t waiting = 0;  // the bytes waiting to be read
};

// The start-up listen, DIL time, the state and transit fields, and
// accepting a connecting Newton.
LinkReading PollLink(LinkSession& s);

// "Idle" in the state field as a transfer ends; the next tick shows the
// pipe's state again, so that a Newton still connected reads "Connected".
void ShowIdle(LinkSession& s);

// Listen: a new listening pipe, and the greeting pending for when a Newton
// connects, however the listen went.
void Listen(LinkSession& s);

// The Disconnect button: the goodbye even to a dropped link, a bounded wait,
// then disconnect and dispose; the pending action is dropped.
void Disconnect(LinkSession& s);

}  // namespace zd
