#include "transfer/charset.h"

#include <array>
#include <cstdint>
#include <map>

#include "base/unicode.h"

namespace zd {
namespace {

// Mac OS Roman's upper half, as Apple maps it to Unicode.
constexpr char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,  // 80
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,  // 88
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,  // 90
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,  // 98
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,  // A0
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,  // A8
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,  // B0
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,  // B8
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,  // C0
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,  // C8
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,  // D0
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,  // D8
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,  // E0
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,  // E8
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,  // F0
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,  // F8
};

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

char32_t MacRomanToUnicode(uint8_t byte) {
    return byte < 0x80 ? byte : kMacRomanHigh[byte - 0x80];
}

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
        for (int byte = 0x80; byte < 0x100; ++byte) m.emplace(kMacRomanHigh[byte - 0x80], byte);
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
