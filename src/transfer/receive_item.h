// An item the Newton pushes after "#GET": acknowledged, read up to EOT,
// converted, opened in the browser when it is a web address and that is
// allowed, and delivered to the clipboard or to a file in the receive folder.
#pragma once

#include <cstddef>
#include <string>

namespace zd {

struct Session;

// Past this many characters a clipboard item is reported as too large (it is
// delivered whole all the same).
inline constexpr size_t kItemChars = 9000;
// Past this many characters the rest of an item is read and dropped, so that a
// runaway Newton cannot take all the memory.
inline constexpr size_t kItemCap = 16u << 20;

// Handles the item of the "#GET" command just read.  Sets busy while it runs
// and clears it at the end.
void ReceiveItem(Session& s);

}  // namespace zd
