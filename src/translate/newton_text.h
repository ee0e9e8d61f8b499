// The Newton's texts as ours: what every translation of an entry reads its
// strings, numbers and times with.  A text may be a string or a rich string,
// or a binary object of a class of its own (a phone number, an e-mail
// address) holding UTF-16; an ink word becomes "[ink]", and no character of
// the Newton's private use reaches a desktop file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "nsof/nsof.h"

namespace zd {

// Minutes from 1 January 1904, the Newton's clock, to 1 January 1970.
inline constexpr int64_t kNewtonEpochMinutes = 34714080;

// What stands for an ink word in a text.
inline constexpr std::string_view kInkWordText = "[ink]";

// The text `value` holds, its returns as line ends; nullopt when it holds no
// text.
std::optional<std::string> TextOf(const nsof::Value* value);

// The text of slot `name` of `frame`, or "".
std::string TextSlot(const nsof::Value& frame, std::string_view name);

// The integer `value` holds, if any.
std::optional<int32_t> IntegerOf(const nsof::Value* value);

// The Newton's truth: anything but nil or a missing slot.
bool IsTrue(const nsof::Value* value);

}  // namespace zd
