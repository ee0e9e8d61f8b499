// Text that came from outside (a Newton's owner name, a store's name) made
// fit for the log, a notification or a title bar: nothing in it can move the
// cursor, clear a terminal, start a line of its own or turn the direction of
// the text around it.
#pragma once

#include <string>
#include <string_view>

namespace zd {

// `text` (UTF-8) with every C0 and C1 control character and line end shown
// as "\xHH", bidirectional controls left out, and invalid UTF-8 as "?".
std::string Printable(std::string_view text);

}  // namespace zd
