#include "link/display_ops.h"

#include <cassert>
#include <cstring>
#include <string>

#include "base/display.h"
#include "link/link_session.h"

namespace zd {
namespace {

Display& BoundDisplay(LinkSession& s) {
    assert(s.svc.display != nullptr && "display operation before the front end bound one");
    return *s.svc.display;
}

}  // namespace

void LogLine(LinkSession& s, std::string_view text) {
    Display& display = BoundDisplay(s);
    display.ReplaceLogSelection(text);
    display.ReplaceLogSelection(kLogLineEnd);
}

void LogText(LinkSession& s, const char* text, int32_t length) {
    Display& display = BoundDisplay(s);
    int32_t remaining = length == -1 ? static_cast<int32_t>(std::strlen(text)) : length;
    const char* piece = text;
    while (remaining > 0) {
        const int32_t size = remaining < kLogPiece ? remaining : kLogPiece;
        // Each piece travels as a zero-terminated copy, so a zero inside it ends it.
        display.ReplaceLogSelection(std::string_view(piece, strnlen(piece, size)));
        piece += size;
        remaining -= kLogPiece;
    }
}

void ShowState(LinkSession& s, std::string_view name) {
    BoundDisplay(s).SetStateText(name);
}

void ShowTransitText(LinkSession& s, std::string_view text) {
    BoundDisplay(s).SetTransitText(text);
}

void ShowTransit(LinkSession& s, int32_t count) {
    BoundDisplay(s).SetTransitText(count == 0 ? std::string() : std::to_string(count));
}

}  // namespace zd
