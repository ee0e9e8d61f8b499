// Newton Streamed Object Format: how the Newton hands its objects (frames,
// arrays, strings, symbols, integers) over the Dock protocol.  A stream is a
// version byte, 2, then the root object; an object is a tag byte and what
// the tag says follows.
#pragma once

#include <cstddef>
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
    // UTF-8; the Newton's UTF-16 and its final zero character on the wire.  Of
    // a rich string only the text: its ink data is not kept.
    std::string text;
};
struct Binary {
    std::string className;  // the class symbol's name; empty when the class is no symbol
    std::string bytes;
};
// A binary the Newton keeps out of its heap (a package), perhaps compressed
// by the compander it names.
struct LargeBinary {
    std::string className;
    bool compressed = false;
    std::string compander;   // the compander's name, as its bytes came
    std::string parameters;  // the compander's parameters
    std::string bytes;       // the data, compressed when `compressed`
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
    std::variant<Nil, bool, int32_t, char32_t, Immediate, Symbol, String, Binary, LargeBinary,
                 Array, Frame, SmallRect>
        content;

    template <typename T>
    const T* As() const {
        return std::get_if<T>(&content);
    }
    // The slot `name` of a frame, its case not minded, as the Newton looks
    // slots up; null when this is no frame or has no such slot.
    const Value* Find(std::string_view name) const;
    // True when this is the symbol `name`, its case not minded.
    bool IsSymbol(std::string_view name) const;
};

struct Slot {
    std::string name;
    Value value;
};

// True when two symbols' names are one to the Newton: ASCII letters compare
// without regard to case.
bool SameName(std::string_view a, std::string_view b);

// `root` as a stream: the version byte, then the object.  Repeated symbols go
// as precedents, as the Newton sends them.
std::string Encode(const Value& root);

// What a stream may hold at most, so that no stream of a few bytes can make
// the program take all the memory: objects inside objects; objects in all;
// and bytes of what it decodes to.  A precedent counts as a copy of what it
// points to, since that is what it decodes to.
inline constexpr int kMaxDepth = 64;
inline constexpr size_t kMaxObjects = 1u << 18;
inline constexpr size_t kMaxDecodedBytes = 16u << 20;

struct Decoded {
    std::optional<Value> value;  // nullopt when the stream is not whole or not well formed
    std::string error;           // then why, in words
    size_t used = 0;             // the bytes the stream took
    // What was odd in a stream that could still be read (a string without
    // its final zero character), in words; a few at most.
    std::vector<std::string> oddities;
};

// The stream at the start of `bytes`.  Every length and count is checked
// against the bytes that remain before anything is made for it.
Decoded Decode(std::string_view bytes);

}  // namespace zd::nsof
