// Numbers for the lines the user reads.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zd {

// `count` with a comma between each three digits: "3,999".
inline std::string WithThousands(size_t count) {
    std::string digits = std::to_string(count);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
    return digits;
}

inline std::string Counted(size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

}  // namespace zd
