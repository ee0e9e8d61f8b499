#include "base/unicode.h"

#include <locale.h>
#include <wctype.h>

#include <cctype>

namespace zd {

void AppendUtf16Be(std::string& out, char16_t unit) {
    out += static_cast<char>(unit >> 8);
    out += static_cast<char>(unit & 0xFF);
}

int64_t NextCharacter(std::string_view text, size_t* at) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(*at);
    size_t length = 0;
    char32_t c = 0, least = 0;
    if (lead < 0x80) {
        ++*at;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, least = 0x10000;
    }
    if (length == 0 || *at + length > text.size()) {
        ++*at;
        return -1;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(*at + i) & 0xC0) != 0x80) {
            ++*at;
            return -1;
        }
        c = (c << 6) | (byte(*at + i) & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++*at;
        return -1;
    }
    *at += length;
    return c;
}

bool IsControlCharacter(int64_t c) {
    return (c >= 0 && c < 0x20) || (c >= 0x7F && c <= 0x9F);
}

bool TurnsDirection(int64_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

bool IsPrivateUse(int64_t c) {
    return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string FoldedCase(std::string_view text) {
    // The C library's own Unicode tables; without them, ASCII alone.
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    std::string folded;
    for (size_t at = 0; at < text.size();) {
        const size_t begin = at;
        const int64_t c = NextCharacter(text, &at);
        if (c < 0) {
            folded.append(text.substr(begin, at - begin));
        } else if (unicode) {
            AppendUtf8(folded, static_cast<char32_t>(towlower_l(
                                   towupper_l(static_cast<wint_t>(c), unicode), unicode)));
        } else {
            AppendUtf8(folded,
                       static_cast<char32_t>(c < 0x80 ? std::tolower(static_cast<int>(c)) : c));
        }
    }
    return folded;
}

std::string Utf16BeToUtf8(std::string_view bytes) {
    const auto unit = [&](size_t i) -> char32_t {
        return static_cast<uint8_t>(bytes[i]) << 8 | static_cast<uint8_t>(bytes[i + 1]);
    };
    std::string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c == 0) break;
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(text, c >= 0xD800 && c < 0xE000 ? kReplacementCharacter : c);
    }
    return text;
}

std::string Utf8ToUtf16Be(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (size_t at = 0; at < text.size();) {
        const int64_t c = NextCharacter(text, &at);
        if (c < 0) {
            AppendUtf16Be(bytes, static_cast<char16_t>(kReplacementCharacter));
        } else if (c < 0x10000) {
            AppendUtf16Be(bytes, static_cast<char16_t>(c));
        } else {
            AppendUtf16Be(bytes, static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            AppendUtf16Be(bytes, static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return bytes;
}

}  // namespace zd
