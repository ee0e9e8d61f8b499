// Unattended use: listening again by itself whenever a pipe has ended, so a
// service or a tray-resident program is always ready for the next Newton.
#pragma once

#include <cstdint>

namespace zd {

struct LinkSession;

// A listen that fails (a port in use, a missing adapter) is tried again after
// this long, not at every tick.
inline constexpr int64_t kRelistenRetryMs = 5000;

// When relistening is on and the start-up listen has had its turn: listens
// again if there is no pipe or the Newton has dropped the link.  Run before
// each poll tick.
void RelistenIfEnded(LinkSession& s);

}  // namespace zd
