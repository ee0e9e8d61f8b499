// The single pipe to the Newton: starting and stopping the DIL, opening a
// listening pipe as the "port" preference says, and ending it in order.
#pragma once

#include <cstdint>
#include <string_view>

namespace zd {

struct Session;

// How long the ends of a pipe take at most, towards a silent Newton too: the
// goodbye written and the wait for the Newton to drop the link, before the
// pipe is disposed of anyway.
inline constexpr int32_t kLinkDropWaitMs = 3000;

// Clears the pipe, then starts the DIL's three layers.  Once, before the tick runs.
void StartLink(Session& s);

// ClosePipe, then shuts the DIL's layers down.
void StopLink(Session& s);

// Replaces any pipe, without a word to its Newton, by a new listening one.
// Failures are logged and leave no pipe.
void OpenPipe(Session& s);

// The orderly end: the goodbye unless busy, a bounded wait for the Newton to
// drop the link, then disconnect and dispose.  Clears handshakeDone and busy
// in any case.
void ClosePipe(Session& s);

// Logs `message` directly followed by "(code)" on one line.
void LogPipeError(Session& s, int32_t code, const char* message);

// The end of a pipe before its disposal: the conversation's goodbye ("#BYE"
// unless it says otherwise) when `goodbye` says so, then a wait for the Newton
// to drop the link, both within kLinkDropWaitMs.
void LetTheNewtonGo(Session& s, bool goodbye);

// Disconnects and disposes of the pipe and clears it to 0, and the goodbye
// with it.
void DisposePipe(Session& s);

}  // namespace zd
