// What the maker's version page says: each marker token it holds, in order,
// with the message the user sees for it.
#pragma once

#include <string>
#include <optional>
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

// The most of a reply, headers and body, that a version check reads.
inline constexpr size_t kReplyLimit = 64 * 1024;

// The body of the raw HTTP reply `reply` as far as it has come: what its
// Content-Length announces, or less where less arrived.  Nothing when the
// headers have not ended or announce no length above 0.
std::optional<std::string_view> ReplyBody(std::string_view reply);

// True when `reply` holds all a version check reads of it: the announced
// body, or kReplyLimit bytes, or headers that announce no body.
bool ReplyComplete(std::string_view reply);

}  // namespace zd
