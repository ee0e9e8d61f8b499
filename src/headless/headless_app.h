// The console front end: the same start-up, 100 ms poll tick and shut-down as
// the window, with the log on standard output and commands on standard input.
#pragma once

#include "base/run_options.h"

namespace zd {

// Runs until "quit", SIGINT or SIGTERM; end of input does not stop it.  Returns
// the process exit code.
int RunHeadless(const RunOptions& options);

}  // namespace zd
