// Writing protocol messages to the current pipe.
#pragma once

#include <cstdint>
#include <string_view>

namespace zd {

struct Session;

// Writes `bytes` to the session's pipe; returns the DIL's result.
int32_t WriteWire(Session& s, std::string_view bytes);

}  // namespace zd
