// Reading and editing the text of an initialisation file: "[section]" lines
// followed by "name=value" lines.  Pure functions on strings; the file itself is
// prefs_store's business.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zd {

// The value of `key` in the first section called `section`, trimmed of blanks.
// Section and key names compare without regard to ASCII case, as the platform's
// profile services do; the first of two equal keys wins.  Lines that are neither
// a section header nor "name=value" are passed over.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

// `text` with `key` set to `value` in `section`.  An existing key keeps its line's
// place; a new key goes after the last value line of the section; a missing
// section is appended at the end.  Every other line is kept byte for byte.
// REQUIRES: `value` holds no line break.
std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

// The integer a profile read makes of `text`: leading blanks, an optional sign
// and the digits up to the first other character; no digits give 0.  Values
// beyond the 32-bit range saturate.
int32_t ParseProfileInt(std::string_view text);

}  // namespace zd
