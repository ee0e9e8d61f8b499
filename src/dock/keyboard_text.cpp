#include "dock/keyboard_text.h"

#include "base/unicode.h"

namespace zd::dock {

KeyboardText ToKeyboardText(std::string_view text) {
    KeyboardText result;
    std::string piece;
    size_t inPiece = 0;
    const auto endPiece = [&] {
        AppendUtf16Be(piece, 0);
        result.pieces.push_back(std::move(piece));
        result.characters.push_back(inPiece);
        piece.clear();
        inPiece = 0;
    };
    for (size_t at = 0; at < text.size();) {
        int64_t c = NextCharacter(text, &at);
        if (c == 0) {
            ++result.zeros;
            continue;
        }
        if (c == '\r' && at < text.size() && text[at] == '\n') ++at;
        if (c == '\n') c = '\r';
        if (c < 0 || c > 0xFFFF) {
            ++result.replaced;
            c = '?';
        }
        AppendUtf16Be(piece, static_cast<char16_t>(c));
        if (++inPiece == kPieceCharacters) endPiece();
    }
    if (inPiece > 0) endPiece();
    return result;
}

std::string KeyData(char16_t key) {
    std::string data;
    AppendUtf16Be(data, key);
    AppendUtf16Be(data, 0);
    return data;
}

}  // namespace zd::dock
