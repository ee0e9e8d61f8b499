#include "base/printable.h"

#include <cstdio>

#include "base/unicode.h"

namespace zd {
namespace {

// Controls, and the line and paragraph separators, which start a line too.
bool Control(int64_t c) {
    return IsControlCharacter(c) || c == 0x2028 || c == 0x2029;
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
