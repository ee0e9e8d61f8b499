// Mac OS Roman, the Newton's one-byte character set, as Apple maps it to
// Unicode.
#pragma once

#include <cstdint>

namespace zd {

// The character the Mac OS Roman byte `byte` stands for.
char32_t MacRomanToUnicode(uint8_t byte);

}  // namespace zd
