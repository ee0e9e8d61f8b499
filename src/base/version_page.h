// What the maker's version page says: each marker token it holds, in order,
// with the message the user sees for it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zd {

// What the fetch yields when the page cannot be had; it holds no token, so a
// failed check shows nothing.
inline constexpr std::string_view kVersionFallback =
    "There is some error in getting info at this time, try later ... ";

// The messages for the tokens "ZANDOR1" to "ZANDOR8" found in `page`, in token
// order.  The search is case-sensitive and plain: "ZANDOR12" holds "ZANDOR1".
std::vector<std::string> VersionMessages(std::string_view page);

// The page's text: the body up to its first zero byte.
std::string PageText(std::string_view body);

}  // namespace zd
