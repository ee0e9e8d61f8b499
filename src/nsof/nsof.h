// Newton Streamed Object Format: how the Newton hands its objects (frames,
// arrays, strings, symbols, integers) over the Dock protocol.  A stream is a
// version byte, 2, then the root object; an object is a tag byte and what
// the tag says follows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zd::nsof {

inline constexpr uint8_t kVersion = 2;

struct Value;
struct Slot;

struct Nil {};
// An immediate that is no integer, character, nil or true (a magic pointer).
struct Immediate {
    int32_t ref = 0;
};
struct Symbol {
    std::string name;  // ASCII
};
struct String {
    std::string text;  // UTF-8; the Newton's UTF-16 and its final zero character on the wire
};
struct Binary {
    std::string className;  // the class symbol's name; empty when the class is no symbol
    std::string bytes;
};
struct Array {
    std::string className;  // empty for a plain array
    std::vector<Value> elements;
};
struct Frame {
    std::vector<Slot> slots;  // in the order of the stream
};
struct SmallRect {
    uint8_t top = 0, left = 0, bottom = 0, right = 0;
};

struct Value {
    std::variant<Nil, bool, int32_t, char32_t, Immediate, Symbol, String, Binary, Array, Frame,
                 SmallRect>
        content;

    template <typename T>
    const T* As() const {
        return std::get_if<T>(&content);
    }
    // The slot `name` of a frame; null when this is no frame or has no such slot.
    const Value* Find(std::string_view name) const;
};

struct Slot {
    std::string name;
    Value value;
};

// `root` as a stream: the version byte, then the object.  Repeated symbols go
// as precedents, as the Newton sends them.
std::string Encode(const Value& root);

// What a stream may hold at most: objects inside objects, and objects in all
// (each one a precedent copies counted), so that no stream of a few bytes can
// make the program take all the memory.
inline constexpr int kMaxDepth = 64;
inline constexpr size_t kMaxObjects = 1u << 18;

struct Decoded {
    std::optional<Value> value;  // nullopt when the stream is not whole or not well formed
    std::string error;           // then why, in words
    size_t used = 0;             // the bytes the stream took
};

// The stream at the start of `bytes`.  Every length and count is checked
// against the bytes that remain before anything is made for it.
Decoded Decode(std::string_view bytes);

}  // namespace zd::nsof
