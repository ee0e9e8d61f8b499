// The Newton's Connection application in a package-loading session: it asks
// to dock, names its owner, and takes each package the desktop loads, storing
// it in a folder; it can refuse one, or answer slowly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "companion.h"

namespace zd::sim {

struct DockPlay {
    std::string folder;      // where package N lands, as package-N.pkg (from 1)
    size_t refuse = 0;       // the package refused, 0 for none
    int32_t refuseCode = 0;  // the error its "dres" carries
    int resultDelayMs = 0;   // before each "dres" after a package
};

// The whole session, up to the desktop's "disc"; the link stays for the
// caller to end.
bool PlayConnection(Conversation& c, const DockPlay& play);

}  // namespace zd::sim
