// SIGINT and SIGTERM as a readable descriptor, for a program that waits in
// poll() or in an event loop: the handler only writes a byte, and a signal
// that lands between two waits still wakes the next one.
#pragma once

namespace zd {

// Installs the handlers (and ignores SIGPIPE, so that a closed standard
// output or a dropped socket cannot kill the program in the middle of a
// transfer).  Returns the descriptor that becomes readable once a quit signal
// came, or -1 when none could be made.  Installing again returns the same one.
int InstallQuitSignals();

// Reads away the bytes of the signals that came; true if there were any.
bool TakeQuitSignals();

}  // namespace zd
