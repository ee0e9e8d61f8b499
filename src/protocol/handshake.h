// The greeting that opens a connected pipe.
#pragma once

namespace zd {

struct Session;

// Greets the Newton on the current pipe and, when it answers as the companion
// package does, marks the pipe ready for commands (handshakeDone).
void Handshake(Session& s);

}  // namespace zd
