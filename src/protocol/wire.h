// The fixed messages of the companion package's protocol, byte for byte.  Every
// message ends with EOT, which the literals carry inside them.  The simulated
// Newton speaks from the same table.
#pragma once

#include "link/link_manager.h"

#include <cstdint>
#include <string_view>

namespace zd::wire {

using namespace std::string_view_literals;

inline constexpr char kEot = '\x04';

// The greeting: we ask, the companion package answers "#YOOHOO" (and more text
// up to EOT), or "#ID:" from an older package.
inline constexpr std::string_view kAskId = "#ID\x04";
inline constexpr size_t kGreetingSize = 7;
inline constexpr std::string_view kYoohoo = "#YOOHOO";
inline constexpr std::string_view kIdAnswer = "#ID:";
// Our identification after "#YOOHOO"; "DATETIME" goes out as these letters.
inline constexpr std::string_view kIdentity = "#Unknown;v0.3, Windows 95/NT;DATETIME\x04";
// After "#ID:": a newer version, and a zero byte after the EOT.
inline constexpr std::string_view kIdentityForIdAnswer =
    "#Unknown;v1.0, Windows 95/NT;DATETIME\x04\0"sv;

// Commands from the Newton, told apart by their first four characters.
inline constexpr std::string_view kGet = "#GET";
inline constexpr std::string_view kBye = kUsualGoodbye;  // also our goodbye on an orderly close
inline constexpr std::string_view kByeWord = "#BYE";
inline constexpr char kFieldSeparator = ';';

// An item from the Newton: we acknowledge, it sends the text up to EOT.
inline constexpr std::string_view kOk = "#OK\x04";

// Text to the Newton: we announce, it answers with four bytes beginning "#GO",
// the text follows, then EOT.
inline constexpr std::string_view kCatch = "#CATCH\x04";
inline constexpr size_t kGoReplySize = 4;
inline constexpr std::string_view kGo = "#GO";

}  // namespace zd::wire
