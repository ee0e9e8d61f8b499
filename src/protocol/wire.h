// The fixed messages of the companion package's protocol, byte for byte.  Every
// message ends with EOT, which the literals carry inside them.
#pragma once

#include <cstdint>
#include <string_view>

namespace zd::wire {

inline constexpr char kEot = '\x04';

// Either side's goodbye: the desktop sends it on an orderly close, the Newton
// as a command.
inline constexpr std::string_view kBye = "#BYE\x04";

}  // namespace zd::wire
