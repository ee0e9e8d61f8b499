// Text as the Newton's keyboard passthrough takes it: UTF-16 characters in
// "kbds" messages of a few hundred characters each, and single keys in
// "kbdc" messages.  Every character the Newton can show goes as itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/counted.h"

namespace zd::dock {

// The characters in one "kbds" message at most.
inline constexpr size_t kPieceCharacters = 256;

// The keys that are no characters, as the Newton's keyboard knows them.
enum Key : char16_t {
    kBackspaceKey = 0x08,
    kTabKey = 0x09,
    kReturnKey = 0x0D,
    kLeftKey = 0x1C,
    kRightKey = 0x1D,
    kUpKey = 0x1E,
    kDownKey = 0x1F,
};

struct KeyboardText {
    std::vector<std::string> pieces;  // "kbds" data: UTF-16 big-endian with a final zero character
    std::vector<size_t> characters;   // how many of the user's characters each piece holds
    size_t replaced = 0;              // characters past U+FFFF and invalid UTF-8, which go as "?"
    size_t zeros = 0;                 // zero characters, which would end a piece, left out
};

// `text` (UTF-8) in pieces.  A line end (LF, CR LF or CR) goes as one CR.
KeyboardText ToKeyboardText(std::string_view text);

// The data of a "kbdc" message for `key`: the character and a flags word of 0.
std::string KeyData(char16_t key);

// A count of characters typed, as the log says it.
inline std::string Characters(size_t count) {
    return Counted(count, "character", "characters");
}

}  // namespace zd::dock
