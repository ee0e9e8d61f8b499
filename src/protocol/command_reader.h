// The commands the Newton sends once greeted: "#GET" for an item, "#BYE" to
// end, each a few fields separated by ";" and ended by EOT.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zd {

struct Session;

// A command is accepted with this many characters (before its EOT)...
inline constexpr size_t kMinCommandChars = 8;
inline constexpr size_t kMaxCommandChars = 149;
// ...and gathered into this much room; bytes past it are read and dropped.
inline constexpr size_t kCommandRoom = 999;
// The room of the fields kept; longer fields are cut.
inline constexpr size_t kCommandWordChars = 55;
inline constexpr size_t kItemNameChars = 50;

// What takes an item once "#GET" has come: it reads the item from the pipe
// and clears busy at its end (received item handling, above this room).
using ItemReceiver = void (*)(Session& s);

// Gathers one command from the pipe (up to its EOT, or as far as it has
// arrived), checks its length, splits it and carries it out, an item by
// `receiveItem`.  Sets busy while it runs.
void ReadCommand(Session& s, ItemReceiver receiveItem);

// The fields of `command`, split at ";" and EOT; empty fields vanish.
std::vector<std::string> SplitCommand(std::string_view command);

}  // namespace zd
