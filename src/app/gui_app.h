// The program with its window: the window's run as the only loop, and the
// orderly end around it.  The caller holds the one-program lock.
#pragma once

#include "base/run_options.h"

namespace zd {

// Runs the window as `options` say; returns the exit code.  Where no display
// can be reached it says so in one line and returns 2.
int RunGui(int& argc, char** argv, const RunOptions& options);

// True when a window can be shown here (a display, or a chosen Qt platform).
bool DisplayAvailable();

}  // namespace zd
