#include "transfer/charset.h"

#include <array>
#include <cstdint>
#include <map>

#include "base/mac_roman.h"
#include "base/unicode.h"

namespace zd {
namespace {

struct ToNewtonRow {
    char32_t from;
    uint8_t to;
};
struct FromNewtonRow {
    uint8_t from;
    char32_t to;
};

// The conversions that have always been made; they win over the character set.
constexpr ToNewtonRow kToNewton[] = {
    {U'å', 0x8C},  {U'ö', 0x9A}, {U'ä', 0x8A}, {U'Å', 0x81},
    {U'Ä', 0x80},  {U'Ö', 0x85}, {U'·', 0xA5},  // the middle dot shows as a bullet
    {U'\n', 0x0D},
};
constexpr FromNewtonRow kFromNewton[] = {
    {0x8A, U'ä'},  {0x8C, U'å'}, {0x9A, U'ö'}, {0x81, U'Å'},
    {0x80, U'Ä'},  {0x85, U'Ö'}, {0xA5, U'·'},  // the bullet becomes a middle dot
    {0x0D, U'\n'}, {0xC3, U'*'},                // the square root has no way back
};

std::string Utf8Of(char32_t c) {
    std::string out;
    AppendUtf8(out, c);
    return out;
}

// Each received byte's text, built once.
const std::array<std::string, 256>& FromNewtonTexts() {
    static const std::array<std::string, 256> texts = [] {
        std::array<std::string, 256> t;
        for (int byte = 1; byte < 256; ++byte) t[byte] = Utf8Of(MacRomanToUnicode(byte));
        for (const FromNewtonRow& row : kFromNewton) t[row.from] = Utf8Of(row.to);
        return t;
    }();
    return texts;
}

// Where each character goes on the Newton, the rows first; -1 where Mac OS
// Roman has no place for it.
int NewtonByteOf(char32_t c) {
    for (const ToNewtonRow& row : kToNewton) {
        if (row.from == c) return row.to;
    }
    if (c < 0x80) return static_cast<int>(c);
    static const std::map<char32_t, uint8_t> high = [] {
        std::map<char32_t, uint8_t> m;
        for (int byte = 0x80; byte < 0x100; ++byte) m.emplace(MacRomanToUnicode(byte), byte);
        return m;
    }();
    const auto found = high.find(c);
    return found == high.end() ? -1 : found->second;
}

constexpr char kEot = 0x04;

}  // namespace

std::string ConvertToNewton(std::string_view text, Unsendable* unsendable) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const int64_t c = NextCharacter(text, &at);
        if (c == 0) {
            ++unsendable->zeros;
            continue;
        }
        const int newton = c < 0 ? -1 : NewtonByteOf(static_cast<char32_t>(c));
        if (newton < 0 || newton == kEot) {
            out += '?';
            ++unsendable->replaced;
        } else {
            out += static_cast<char>(newton);
        }
    }
    return out;
}

std::string_view ConvertFromNewton(char byte) {
    return FromNewtonTexts()[static_cast<uint8_t>(byte)];
}

bool IsUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        if (NextCharacter(text, &at) < 0) return false;
    }
    return true;
}

}  // namespace zd
