// The program with its window: one copy per user, the window's modal run as
// the only loop, and the orderly end around it.
#pragma once

#include "base/run_options.h"

namespace zd {

// Runs the window as `options` say; returns the exit code.  A second copy for
// the same user ends at once, silently, with 0.
int RunGui(int& argc, char** argv, const RunOptions& options);

// True when a window can be shown here (a display, or a chosen Qt platform).
bool DisplayAvailable();

}  // namespace zd
