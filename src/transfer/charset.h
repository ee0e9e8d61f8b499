// Text between our side, UTF-8, and the Newton's Mac OS Roman bytes.  A
// handful of characters keep the conversion they have always had, and come
// first: the Swedish letters, the middle dot that the Newton shows as a
// bullet, the line end, and the Newton's square root sign, which arrives as
// "*".  Every other character goes through the real Mac OS Roman character
// set.  The two ways are not each other's inverse.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zd {

// What a text for the Newton had to give up.
struct Unsendable {
    size_t replaced = 0;  // characters Mac OS Roman lacks, invalid UTF-8 and EOTs, sent as "?"
    size_t zeros = 0;     // zero bytes, left out
};

// `text` (UTF-8) as the Newton's bytes.  An LF goes as CR, so a line end CR LF
// reaches the Newton as CR CR.  An EOT would end the text on the Newton, so it
// goes as "?".
std::string ConvertToNewton(std::string_view text, Unsendable* unsendable);

// The UTF-8 text one received byte adds to an item: nothing for a zero byte.
// A carriage return becomes a line feed, the square root sign an asterisk.
std::string_view ConvertFromNewton(char byte);

// True when `text` is well-formed UTF-8.
bool IsUtf8(std::string_view text);

}  // namespace zd
