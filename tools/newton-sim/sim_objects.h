// Shorthands for the Newton's objects that newton-sim builds its entries of,
// and the rich strings no encoder writes: a text whose ink data follows its
// final zero character.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/unicode.h"
#include "nsof/nsof.h"

namespace zd::sim {

inline nsof::Value Sym(std::string name) {
    return nsof::Value{nsof::Symbol{std::move(name)}};
}
inline nsof::Value Str(std::string text) {
    return nsof::Value{nsof::String{std::move(text)}};
}
inline nsof::Value Int(int64_t value) {
    return nsof::Value{static_cast<int32_t>(value)};
}
inline nsof::Value Rect(uint8_t top, uint8_t left, uint8_t bottom, uint8_t right) {
    return nsof::Value{nsof::SmallRect{top, left, bottom, right}};
}
inline nsof::Value List(std::vector<nsof::Value> elements) {
    return nsof::Value{nsof::Array{"", std::move(elements)}};
}
inline nsof::Value Bin(std::string className, std::string bytes) {
    return nsof::Value{nsof::Binary{std::move(className), std::move(bytes)}};
}
inline nsof::Value Frame(std::vector<nsof::Slot> slots) {
    return nsof::Value{nsof::Frame{std::move(slots)}};
}

// `frame` with slot `name` set to `value`, in place of one of that name.
inline void Set(nsof::Value& frame, const std::string& name, nsof::Value value) {
    for (nsof::Slot& slot : std::get<nsof::Frame>(frame.content).slots) {
        if (slot.name == name) {
            slot.value = std::move(value);
            return;
        }
    }
    std::get<nsof::Frame>(frame.content).slots.push_back({name, std::move(value)});
}

// A text as a string of another class than string holds it: UTF-16
// big-endian with its zero character.
inline std::string Utf16Z(const std::string& utf8) {
    return Utf8ToUtf16Be(utf8) + std::string(2, '\0');
}

// Minutes from 1 January 1904 to 1 January 1970.
inline constexpr int64_t kNewtonEpochMinutes = 34714080;

// `stream` with its string `text` made a rich string: after the text's zero
// character, padded to four bytes, `ink` and a final 32-bit word.
std::string Enrich(const std::string& stream, const std::string& text, const std::string& ink);

}  // namespace zd::sim
