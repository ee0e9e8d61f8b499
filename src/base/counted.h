// A number with its noun, for the lines the user reads: "1 note", "5 notes".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zd {

inline std::string Counted(size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

}  // namespace zd
