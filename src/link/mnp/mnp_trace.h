// A developer's view of the link: every frame body, both ways, as hex on
// standard error.  Not a user log.
#pragma once

#include <cstdint>
#include <vector>

#include "link/mnp/mnp_link.h"

namespace zd::mnp {

// A trace for MnpLink::SetTrace whose lines begin with `who` ("mnp", "sim").
MnpLink::Trace HexTrace(const char* who);

}  // namespace zd::mnp
