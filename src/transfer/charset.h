// The handful of characters converted between the desktop's code page 1252 and
// the Newton's Mac OS Roman: the Swedish letters, the middle dot, the line end
// and, from the Newton only, the square root sign.  Every other byte passes
// unchanged, in both directions.  The two tables are not each other's inverse.
#pragma once

#include <optional>
#include <string>

namespace zd {

// Converts a zero-terminated text in place for the Newton; stops at the first
// zero byte (a file may hold one; the bytes after it go out unconverted).  A PC
// line end CR LF reaches the Newton as CR CR.
void ConvertToNewton(char* text);

// The character one received byte adds to an item, or nothing for a zero byte.
// A carriage return becomes a line feed, the square root sign an asterisk.
std::optional<char> ConvertFromNewton(char byte);

}  // namespace zd
