#include "headless/console_display.h"

#include "link/display_ops.h"

namespace zd {
namespace {

void ShowField(std::FILE* out, std::string& shown, const char* label, std::string_view text) {
    if (text == shown) return;
    shown = text;
    std::fprintf(out, "%s %s\n", label, shown.c_str());
    std::fflush(out);
}

}  // namespace

void ConsoleDisplay::ReplaceLogSelection(std::string_view text) {
    if (text == kLogLineEnd) text = "\n";
    std::fwrite(text.data(), 1, text.size(), m_log);
    std::fflush(m_log);
}

void ConsoleDisplay::SetStateText(std::string_view text) {
    ShowField(m_fields, m_state, "Info:", text);
}

void ConsoleDisplay::SetTransitText(std::string_view text) {
    ShowField(m_fields, m_transit, "In transit:", text);
}

}  // namespace zd
