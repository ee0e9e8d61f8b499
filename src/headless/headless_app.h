// The console front end: the same start-up, 100 ms poll tick and shut-down as
// the window, with the log on standard output and commands on standard input.
#pragma once

#include <string>

namespace zd {

// Runs until "quit", SIGINT or SIGTERM; end of input does not stop it.  Returns
// the process exit code.
// With `relisten`, listens again whenever a pipe has ended.
int RunHeadless(const std::string& prefsPath, bool relisten);

}  // namespace zd
