#include <deque>

#include "base/mac_roman.h"
#include "base/unicode.h"
#include "nsof/nsof.h"
#include "nsof/nsof_tags.h"

namespace zd::nsof {
namespace {

constexpr size_t kNoId = static_cast<size_t>(-1);

constexpr char32_t kInkWord = 0xF700;
constexpr size_t kMaxOddities = 4;

// What an object decodes to: objects, and bytes of text and data.
struct Weight {
    size_t objects = 0;
    size_t bytes = 0;
};

void AddWeight(const Value& value, Weight& weight) {
    ++weight.objects;
    if (const Array* array = value.As<Array>()) {
        for (const Value& element : array->elements) AddWeight(element, weight);
    } else if (const Frame* frame = value.As<Frame>()) {
        for (const Slot& slot : frame->slots) {
            weight.bytes += slot.name.size();
            AddWeight(slot.value, weight);
        }
    } else if (const String* string = value.As<String>()) {
        weight.bytes += string->text.size();
    } else if (const Binary* binary = value.As<Binary>()) {
        weight.bytes += binary->bytes.size();
    } else if (const LargeBinary* large = value.As<LargeBinary>()) {
        weight.bytes += large->bytes.size() + large->compander.size() + large->parameters.size();
    } else if (const Symbol* symbol = value.As<Symbol>()) {
        weight.bytes += symbol->name.size();
    }
}

uint16_t UnitAt(std::string_view bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) << 8 |
                                 static_cast<uint8_t>(bytes[at + 1]));
}

// The offset of the first zero character in UTF-16 `bytes`, or npos.
size_t FirstZero(std::string_view bytes) {
    for (size_t at = 0; at + 1 < bytes.size(); at += 2)
        if (UnitAt(bytes, at) == 0) return at;
    return std::string_view::npos;
}

bool HoldsInkWord(std::string_view utf16) {
    for (size_t at = 0; at + 1 < utf16.size(); at += 2)
        if (UnitAt(utf16, at) == kInkWord) return true;
    return false;
}

// UTF-16 `bytes` as UTF-8, each zero character in them as U+FFFD.
std::string TextWithZeros(std::string_view bytes) {
    std::string text;
    for (size_t at = 0;;) {
        const size_t zero = FirstZero(bytes.substr(at));
        text += Utf16BeToUtf8(bytes.substr(at, zero));
        if (zero == std::string_view::npos) return text;
        AppendUtf8(text, kReplacementCharacter);
        at += zero + 2;
    }
}

// Reads one stream.  The objects precedents may point to are kept as
// pointers to where they rest in the tree being built (the vectors holding
// them are made as large as their counts first, so nothing moves), or to a
// copy of their own for those the tree keeps no object of (class symbols and
// slot names).
class Decoder {
public:
    explicit Decoder(std::string_view bytes) : m_bytes(bytes) {}

    Decoded Run() {
        Decoded decoded;
        if (m_bytes.empty()) {
            Fail("no bytes");
        } else if (static_cast<uint8_t>(m_bytes[0]) != kVersion) {
            Fail("version " + std::to_string(static_cast<uint8_t>(m_bytes[0])) + ", not 2");
        } else {
            m_at = 1;
            size_t id = kNoId;
            decoded.value = Object(0, &id);
        }
        if (!m_error.empty()) decoded.value.reset();
        decoded.error = m_error;
        decoded.used = m_at;
        decoded.oddities = std::move(m_oddities);
        return decoded;
    }

private:
    size_t Left() const { return m_bytes.size() - m_at; }

    bool Fail(const std::string& why) {
        if (m_error.empty()) m_error = why + " (at byte " + std::to_string(m_at) + ")";
        return false;
    }

    void Odd(const std::string& what) {
        if (m_oddities.size() < kMaxOddities)
            m_oddities.push_back(what + " (at byte " + std::to_string(m_at) + ")");
    }

    bool Need(size_t count, const char* what) {
        return count <= Left() || Fail(std::string(what) + " ends early");
    }

    uint8_t Byte() { return static_cast<uint8_t>(m_bytes[m_at++]); }

    std::optional<int32_t> XLong(const char* what) {
        if (!Need(1, what)) return std::nullopt;
        const uint8_t first = Byte();
        if (first != 0xFF) return first;
        if (!Need(4, what)) return std::nullopt;
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = value << 8 | Byte();
        return static_cast<int32_t>(value);
    }

    // A length or count of things of at least `each` bytes that must all fit
    // in what remains.
    std::optional<size_t> Count(const char* what, size_t each) {
        const auto count = XLong(what);
        if (!count) return std::nullopt;
        if (*count < 0) {
            Fail(std::string(what) + " of " + std::to_string(*count));
            return std::nullopt;
        }
        const size_t n = static_cast<size_t>(*count);
        if (n > Left() / each) {
            Fail(std::string(what) + " of " + std::to_string(n) + " where " +
                 std::to_string(Left()) + " bytes remain");
            return std::nullopt;
        }
        return n;
    }

    // A new object's id, in the order objects appear.
    size_t Number() {
        m_objects.push_back(nullptr);
        return m_objects.size() - 1;
    }

    bool Made(const Weight& weight) {
        m_made.objects += weight.objects;
        m_made.bytes += weight.bytes;
        if (m_made.objects > kMaxObjects)
            return Fail("more than " + std::to_string(kMaxObjects) + " objects");
        if (m_made.bytes > kMaxDecodedBytes)
            return Fail("more than " + std::to_string(kMaxDecodedBytes >> 20) + " MiB of objects");
        return true;
    }
    bool MadeBytes(size_t bytes) { return Made({0, bytes}); }

    // An object that rests outside the tree, which precedents may point to.
    const Value& Keep(Value value, size_t id) {
        m_kept.push_back(std::move(value));
        if (id != kNoId) m_objects[id] = &m_kept.back();
        return m_kept.back();
    }

    // The next object; `*id` receives the id it was numbered with, so that the
    // caller can say where it rests, or kNoId.
    std::optional<Value> Object(int depth, size_t* id) {
        *id = kNoId;
        if (depth > kMaxDepth) {
            Fail("objects nested deeper than " + std::to_string(kMaxDepth));
            return std::nullopt;
        }
        if (!Made({1, 0}) || !Need(1, "an object")) return std::nullopt;
        const uint8_t tag = Byte();
        switch (tag) {
            case kImmediate:
                return Immediate_();
            case kCharacter:
                if (!Need(1, "a character")) return std::nullopt;
                return Value{MacRomanToUnicode(Byte())};
            case kUnicodeCharacter: {
                if (!Need(2, "a character")) return std::nullopt;
                const char32_t high = Byte();
                return Value{static_cast<char32_t>(high << 8 | Byte())};
            }
            case kBinaryObject:
                *id = Number();
                return BinaryObject(depth);
            case kArray:
            case kPlainArray:
                *id = Number();
                return ArrayObject(depth, tag == kArray);
            case kFrame:
                *id = Number();
                return FrameObject(depth);
            case kSymbol: {
                *id = Number();
                const auto name = Bytes("a symbol");
                if (!name || !MadeBytes(name->size())) return std::nullopt;
                return Value{Symbol{std::string(*name)}};
            }
            case kString:
                *id = Number();
                return StringObject();
            case kPrecedent:
                return Precedent();
            case kNilTag:
                return Value{Nil{}};
            case kSmallRect: {
                *id = Number();
                if (!Need(4, "a small rectangle")) return std::nullopt;
                SmallRect rect;
                for (uint8_t* side : {&rect.top, &rect.left, &rect.bottom, &rect.right})
                    *side = Byte();
                return Value{rect};
            }
            case kLargeBinary:
                *id = Number();
                return LargeBinaryObject(depth);
            default:
                Fail("an unknown tag " + std::to_string(tag));
                return std::nullopt;
        }
    }

    std::optional<Value> Immediate_() {
        const auto ref = XLong("an immediate");
        if (!ref) return std::nullopt;
        if ((*ref & 3) == 0) return Value{static_cast<int32_t>(*ref >> 2)};
        if (*ref == kNilRef) return Value{Nil{}};
        if (*ref == kTrueRef) return Value{true};
        if ((*ref & 0xF) == 6)
            return Value{static_cast<char32_t>(static_cast<uint32_t>(*ref) >> 4)};
        return Value{Immediate{*ref}};
    }

    std::optional<std::string_view> Bytes(const char* what) {
        const auto length = Count(what, 1);
        if (!length) return std::nullopt;
        const std::string_view bytes = m_bytes.substr(m_at, *length);
        m_at += *length;
        return bytes;
    }

    // A plain string ends with its zero character.  A rich string's text
    // (with an ink word's mark in it) ends at its first zero character, and
    // its ink data follows; a zero character inside a plain text is kept as
    // U+FFFD, so that no text after it is lost.
    std::optional<Value> StringObject() {
        const auto bytes = Bytes("a string");
        if (!bytes) return std::nullopt;
        const size_t zero = FirstZero(*bytes);
        std::string text;
        if (zero != std::string_view::npos && HoldsInkWord(bytes->substr(0, zero))) {
            text = Utf16BeToUtf8(bytes->substr(0, zero));
        } else {
            size_t end = bytes->size() & ~size_t{1};
            if (end < 2 || UnitAt(*bytes, end - 2) != 0)
                Odd("a string without its final zero character");
            while (end >= 2 && UnitAt(*bytes, end - 2) == 0) end -= 2;
            text = TextWithZeros(bytes->substr(0, end));
        }
        if (!MadeBytes(text.size())) return std::nullopt;
        return Value{String{std::move(text)}};
    }

    // The class of an array or binary object: a symbol's name, or "".
    std::optional<std::string> Class(int depth) {
        size_t id = kNoId;
        auto klass = Object(depth + 1, &id);
        if (!klass) return std::nullopt;
        const Symbol* symbol = klass->As<Symbol>();
        std::string name = symbol ? symbol->name : "";
        if (id != kNoId) Keep(std::move(*klass), id);
        return name;
    }

    std::optional<Value> BinaryObject(int depth) {
        const auto length = Count("a binary object", 1);
        if (!length) return std::nullopt;
        auto klass = Class(depth);
        if (!klass || !Need(*length, "a binary object")) return std::nullopt;
        if (!MadeBytes(*length)) return std::nullopt;
        Binary binary{std::move(*klass), std::string(m_bytes.substr(m_at, *length))};
        m_at += *length;
        return Value{std::move(binary)};
    }

    // A 32-bit length of a large binary's part that must fit in what remains.
    std::optional<size_t> Length32(const char* what) {
        uint32_t length = 0;
        for (int i = 0; i < 4; ++i) length = length << 8 | Byte();
        if (length > Left()) {
            Fail(std::string(what) + " of " + std::to_string(length) + " where " +
                 std::to_string(Left()) + " bytes remain");
            return std::nullopt;
        }
        return length;
    }

    // The class, a byte "compressed", the lengths of the data, the
    // compander's name and its parameters, a reserved word; then the name,
    // the parameters and the data.
    std::optional<Value> LargeBinaryObject(int depth) {
        auto klass = Class(depth);
        if (!klass || !Need(17, "a large binary")) return std::nullopt;
        LargeBinary large;
        large.className = std::move(*klass);
        large.compressed = Byte() != 0;
        size_t lengths[3] = {};
        for (size_t& length : lengths) {
            const auto checked = Length32("a large binary's part");
            if (!checked) return std::nullopt;
            length = *checked;
        }
        m_at += 4;  // reserved
        for (auto [part, length] :
             {std::pair{&large.compander, lengths[1]}, std::pair{&large.parameters, lengths[2]},
              std::pair{&large.bytes, lengths[0]}}) {
            if (!Need(length, "a large binary") || !MadeBytes(length)) return std::nullopt;
            *part = std::string(m_bytes.substr(m_at, length));
            m_at += length;
        }
        return Value{std::move(large)};
    }

    std::optional<Value> ArrayObject(int depth, bool withClass) {
        const auto count = Count("an array", 1);
        if (!count) return std::nullopt;
        Array array;
        if (withClass) {
            auto klass = Class(depth);
            if (!klass) return std::nullopt;
            array.className = std::move(*klass);
        }
        array.elements.reserve(*count);
        for (size_t i = 0; i < *count; ++i) {
            size_t id = kNoId;
            auto element = Object(depth + 1, &id);
            if (!element) return std::nullopt;
            Value& placed = array.elements.emplace_back(std::move(*element));
            if (id != kNoId) m_objects[id] = &placed;
        }
        return Value{std::move(array)};
    }

    std::optional<Value> FrameObject(int depth) {
        // Each slot takes a name and a value, a byte each at the least.
        const auto count = Count("a frame", 2);
        if (!count) return std::nullopt;
        Frame frame;
        frame.slots.reserve(*count);
        for (size_t i = 0; i < *count; ++i) {
            size_t id = kNoId;
            auto name = Object(depth + 1, &id);
            if (!name) return std::nullopt;
            const Symbol* symbol = name->As<Symbol>();
            if (!symbol) {
                Fail("a frame whose slot name is no symbol");
                return std::nullopt;
            }
            frame.slots.push_back(Slot{symbol->name, Value{Nil{}}});
            if (id != kNoId) Keep(std::move(*name), id);
        }
        for (Slot& slot : frame.slots) {
            size_t id = kNoId;
            auto value = Object(depth + 1, &id);
            if (!value) return std::nullopt;
            slot.value = std::move(*value);
            if (id != kNoId) m_objects[id] = &slot.value;
        }
        return Value{std::move(frame)};
    }

    std::optional<Value> Precedent() {
        const auto ref = XLong("a precedent");
        if (!ref) return std::nullopt;
        const size_t id = static_cast<size_t>(static_cast<uint32_t>(*ref));
        if (*ref < 0 || id >= m_objects.size()) {
            Fail("a precedent to object " + std::to_string(*ref) + ", which has not come yet");
            return std::nullopt;
        }
        if (m_objects[id] == nullptr) {
            Fail("a precedent to object " + std::to_string(id) + ", which it is part of");
            return std::nullopt;
        }
        Weight weight;
        AddWeight(*m_objects[id], weight);
        if (!Made(weight)) return std::nullopt;
        return *m_objects[id];
    }

    std::string_view m_bytes;
    size_t m_at = 0;
    std::string m_error;
    Weight m_made;
    std::vector<std::string> m_oddities;
    std::vector<const Value*> m_objects;  // by id; null while the object is not yet whole
    std::deque<Value> m_kept;
};

}  // namespace

Decoded Decode(std::string_view bytes) {
    return Decoder(bytes).Run();
}

}  // namespace zd::nsof
