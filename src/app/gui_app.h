// The program with its window: the window's run as the only loop, and the
// orderly end around it.  The caller holds the one-program lock.
#pragma once

#include "base/run_options.h"

namespace zd {

// Runs the window as `options` say; returns the exit code.  Where no display
// can be reached it says so in one line and returns 2.
int RunGui(int argc, char** argv, const RunOptions& options);

// True when a window can be shown here (a display, or a chosen Qt platform).
bool DisplayAvailable();

// True in a Wayland session that has XWayland, where the user named no Qt
// platform: there the window runs on X11, since a Wayland client may set the
// clipboard only while it has the focus and may not place its window.
bool PreferXWayland();

}  // namespace zd
