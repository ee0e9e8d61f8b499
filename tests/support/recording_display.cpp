#include "support/recording_display.h"

namespace zd::test {

void RecordingDisplay::ReplaceLogSelection(std::string_view text) {
    pieces.emplace_back(text);
    log += text;
}

void RecordingDisplay::SetStateText(std::string_view text) {
    states.emplace_back(text);
}

void RecordingDisplay::SetTransitText(std::string_view text) {
    transits.emplace_back(text);
}

std::vector<std::string> RecordingDisplay::Lines() const {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(log.substr(start, end - start));
    return lines;
}

}  // namespace zd::test
