// The commands the Newton sends once greeted.
#pragma once

namespace zd {

struct Session;

// Gathers one command from the pipe and carries it out.
void ReadCommand(Session& s);

}  // namespace zd
