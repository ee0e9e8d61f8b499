// The single pipe to the Newton: starting and stopping the DIL, opening a
// listening pipe as the "port" preference says, and ending it in order.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/prefs_store.h"
#include "link/dil/dil.h"

namespace zd {

struct LinkSession;

// How long the ends of a pipe take at most, towards a silent Newton too: the
// goodbye written and the wait for the Newton to drop the link, before the
// pipe is disposed of anyway.
inline constexpr int32_t kLinkDropWaitMs = 3000;

// What an orderly close says where the conversation on the pipe names no
// goodbye of its own: the companion package's "#BYE" and its EOT.
inline constexpr std::string_view kUsualGoodbye = "#BYE\x04";

// The DIL's settings as the preferences give them: the network pipe's place,
// the serial slots' devices and the MNP window.
DilSettings ReadDilSettings(const PrefsStore& prefs);

// Clears the pipe, then starts the DIL's three layers.  Once, before the tick runs.
void StartLink(LinkSession& s);

// ClosePipe, then shuts the DIL's layers down.
void StopLink(LinkSession& s);

// Replaces any pipe, without a word to its Newton, by a new listening one.
// Failures are logged and leave no pipe.
void OpenPipe(LinkSession& s);

// The orderly end: the goodbye unless busy, a bounded wait for the Newton to
// drop the link, then disconnect and dispose.  Clears handshakeDone and busy
// in any case.
void ClosePipe(LinkSession& s);

// Logs `message` directly followed by "(code)" on one line.
void LogPipeError(LinkSession& s, int32_t code, const char* message);

// The end of a pipe before its disposal: the conversation's goodbye ("#BYE"
// unless it says otherwise) when `goodbye` says so, then a wait for the Newton
// to drop the link, both within kLinkDropWaitMs.
void LetTheNewtonGo(LinkSession& s, bool goodbye);

// Disconnects and disposes of the pipe and clears it to 0, and the goodbye
// with it.
void DisposePipe(LinkSession& s);

}  // namespace zd
