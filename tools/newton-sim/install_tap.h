// The Newton's user taps Install: its Connection application browses the
// desktop's files as a real MessagePad does ("rtbr" 'packages, "dpth",
// "gfil", "spth" for each folder opened or level picked, "gfin", "lpfl"),
// answers the desktop's "sdef", and takes the package that comes.
#pragma once

#include <string>

#include "companion.h"

namespace zd::sim {

struct InstallPlay {
    // The way to the package, as its user walks it: folder names to open,
    // ".." for the level above picked in the path pop-up, "^" for the
    // desktop, then the package's name ("Spel/../Verktyg/Klocka.pkg").  A
    // name that was not listed is asked for all the same.
    std::string steps;
    std::string folder;  // where the package lands, under its own name
};

// The browsing, up to the package's "dres"; what the desktop answered is
// said on standard error.  False where the link failed.
bool PlayInstallTap(Conversation& c, const InstallPlay& play);

}  // namespace zd::sim
