#include "base/printable.h"

#include <cstdio>

#include "base/unicode.h"

namespace zd {
namespace {

bool Control(int64_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

bool TurnsDirection(int64_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string Printable(std::string_view text) {
    std::string shown;
    for (size_t at = 0; at < text.size();) {
        const int64_t c = NextCharacter(text, &at);
        if (c < 0) {
            shown += '?';
        } else if (Control(c)) {
            char escape[16];
            std::snprintf(escape, sizeof escape, c > 0xFF ? "\\u%04X" : "\\x%02X",
                          static_cast<unsigned>(c));
            shown += escape;
        } else if (!TurnsDirection(c)) {
            AppendUtf8(shown, static_cast<char32_t>(c));
        }
    }
    return shown;
}

}  // namespace zd
