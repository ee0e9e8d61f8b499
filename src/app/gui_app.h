// The program with its window: one copy per user, the window's modal run as
// the only loop, and the orderly end around it.
#pragma once

#include <string>

namespace zd {

// Runs the window with the preference file at `prefsPath`; returns the exit
// code.  A second copy for the same user ends at once, silently, with 0.
// With `relisten`, listens again whenever a pipe has ended.
int RunGui(int& argc, char** argv, const std::string& prefsPath, bool relisten);

// True when a window can be shown here (a display, or a chosen Qt platform).
bool DisplayAvailable();

}  // namespace zd
