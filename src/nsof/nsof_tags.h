// The tag bytes of the format and the immediates with a meaning of their own,
// for its encoder and its decoder.
#pragma once

#include <cstdint>

namespace zd::nsof {

enum Tag : uint8_t {
    kImmediate = 0,
    kCharacter = 1,
    kUnicodeCharacter = 2,
    kBinaryObject = 3,
    kArray = 4,
    kPlainArray = 5,
    kFrame = 6,
    kSymbol = 7,
    kString = 8,
    kPrecedent = 9,
    kNilTag = 10,
    kSmallRect = 11,
    kLargeBinary = 12,
};

inline constexpr int32_t kNilRef = 2;
inline constexpr int32_t kTrueRef = 0x1A;

}  // namespace zd::nsof
