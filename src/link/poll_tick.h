// The 100-millisecond tick that drives the pipe, and the link buttons.
#pragma once

#include <cstdint>

namespace zd {

struct Session;

// The period of the tick the front end runs PollTick on.
inline constexpr int32_t kPollPeriodMs = 100;

// The command numbers ButtonCommand takes.
enum ButtonCode : int32_t {
    kButtonListen = 0,
    kButtonStatusView = 1,
    kButtonSendFile = 2,
    kButtonPaste = 4,
    kButtonDisconnect = 5,
};

// One tick: the start-up listen, DIL time, the state and transit fields,
// accepting a connecting Newton, the command reader and the pending action.
void PollTick(Session& s);

// Clears the pending action, then runs it.
void RunPendingAction(Session& s);

// The link buttons of the main window.  Unknown codes do nothing.
void ButtonCommand(Session& s, int32_t code);

// The Disconnect button: "#BYE" even to a dropped link, a bounded wait, then
// disconnect and dispose; the pending action is dropped.
void Disconnect(Session& s);

}  // namespace zd
