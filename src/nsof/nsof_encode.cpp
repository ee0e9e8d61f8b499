#include <map>

#include "base/unicode.h"
#include "nsof/nsof.h"
#include "nsof/nsof_tags.h"

namespace zd::nsof {
namespace {

class Encoder {
public:
    std::string Run(const Value& root) {
        m_out += static_cast<char>(kVersion);
        Put(root);
        return std::move(m_out);
    }

private:
    void Byte(uint8_t b) { m_out += static_cast<char>(b); }

    void Word(uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) Byte(static_cast<uint8_t>(value >> shift));
    }

    void XLong(int32_t value) {
        if (value >= 0 && value <= 254) return Byte(static_cast<uint8_t>(value));
        Byte(0xFF);
        Word(static_cast<uint32_t>(value));
    }

    // Counts an object that precedents may point to.
    void Numbered() { ++m_nextId; }

    void Put(const Value& value) {
        std::visit([this](const auto& v) { Put(v); }, value.content);
    }
    void Put(const Nil&) { Byte(kNilTag); }
    void Put(bool truth) {
        Byte(kImmediate);
        XLong(truth ? kTrueRef : kNilRef);
    }
    void Put(int32_t integer) {
        Byte(kImmediate);
        XLong(static_cast<int32_t>(static_cast<uint32_t>(integer) << 2));
    }
    void Put(char32_t character) {
        // Past 16 bits a character goes as an immediate.
        if (character > 0xFFFF) {
            Byte(kImmediate);
            return XLong(static_cast<int32_t>(character << 4 | 6));
        }
        Byte(kUnicodeCharacter);
        AppendUtf16Be(m_out, static_cast<char16_t>(character));
    }
    void Put(const Immediate& immediate) {
        Byte(kImmediate);
        XLong(immediate.ref);
    }
    void Put(const Symbol& symbol) {
        if (const auto seen = m_symbols.find(symbol.name); seen != m_symbols.end()) {
            Byte(kPrecedent);
            XLong(seen->second);
            return;
        }
        m_symbols.emplace(symbol.name, m_nextId);
        Numbered();
        Byte(kSymbol);
        XLong(static_cast<int32_t>(symbol.name.size()));
        m_out += symbol.name;
    }
    void Put(const String& string) {
        Numbered();
        const std::string utf16 = Utf8ToUtf16Be(string.text) + std::string(2, '\0');
        Byte(kString);
        XLong(static_cast<int32_t>(utf16.size()));
        m_out += utf16;
    }
    void PutClass(const std::string& className) {
        if (className.empty()) return Put(Nil{});
        Put(Symbol{className});
    }
    void Put(const Binary& binary) {
        Numbered();
        Byte(kBinaryObject);
        XLong(static_cast<int32_t>(binary.bytes.size()));
        PutClass(binary.className);
        m_out += binary.bytes;
    }
    void Put(const LargeBinary& large) {
        Numbered();
        Byte(kLargeBinary);
        PutClass(large.className);
        Byte(large.compressed ? 1 : 0);
        for (const std::string* part : {&large.bytes, &large.compander, &large.parameters})
            Word(static_cast<uint32_t>(part->size()));
        Word(0);  // reserved
        m_out += large.compander;
        m_out += large.parameters;
        m_out += large.bytes;
    }
    void Put(const Array& array) {
        Numbered();
        Byte(array.className.empty() ? kPlainArray : kArray);
        XLong(static_cast<int32_t>(array.elements.size()));
        if (!array.className.empty()) PutClass(array.className);
        for (const Value& element : array.elements) Put(element);
    }
    void Put(const Frame& frame) {
        Numbered();
        Byte(kFrame);
        XLong(static_cast<int32_t>(frame.slots.size()));
        for (const Slot& slot : frame.slots) Put(Symbol{slot.name});
        for (const Slot& slot : frame.slots) Put(slot.value);
    }
    void Put(const SmallRect& rect) {
        Numbered();
        Byte(kSmallRect);
        for (uint8_t side : {rect.top, rect.left, rect.bottom, rect.right}) Byte(side);
    }

    std::string m_out;
    int32_t m_nextId = 0;
    std::map<std::string, int32_t> m_symbols;
};

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

const Value* Value::Find(std::string_view name) const {
    const Frame* frame = As<Frame>();
    if (!frame) return nullptr;
    for (const Slot& slot : frame->slots)
        if (SameName(slot.name, name)) return &slot.value;
    return nullptr;
}

bool Value::IsSymbol(std::string_view name) const {
    const Symbol* symbol = As<Symbol>();
    return symbol && SameName(symbol->name, name);
}

std::string Encode(const Value& root) {
    return Encoder().Run(root);
}

}  // namespace zd::nsof
