#include "base/ini_text.h"

#include <cctype>
#include <limits>
#include <vector>

namespace zd {
namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view s) {
    const size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// One line of the file, classified.  `text` excludes the line break.
struct Line {
    std::string_view text;
    enum Kind { kOther, kSection, kValue } kind = kOther;
    std::string_view name;  // section or key name
    std::string_view value;
};

Line Classify(std::string_view raw) {
    Line line;
    line.text = raw;
    const std::string_view t = Trim(raw);
    if (t.empty() || t.front() == ';' || t.front() == '#') return line;
    if (t.front() == '[') {
        const size_t close = t.find(']');
        if (close == std::string_view::npos) return line;
        line.kind = Line::kSection;
        line.name = Trim(t.substr(1, close - 1));
        return line;
    }
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos) return line;
    line.kind = Line::kValue;
    line.name = Trim(t.substr(0, eq));
    line.value = Trim(t.substr(eq + 1));
    return line;
}

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(Classify(text.substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

// Index range [begin, end) of the value lines that belong to the first section
// called `section`, with begin pointing just past its header; nullopt if absent.
struct SectionSpan {
    size_t header;
    size_t end;
};

std::optional<SectionSpan> FindSection(const std::vector<Line>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != Line::kSection || !SameName(lines[i].name, section)) continue;
        size_t end = i + 1;
        while (end < lines.size() && lines[end].kind != Line::kSection) ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    const std::vector<Line> lines = SplitLines(text);
    const auto span = FindSection(lines, section);
    if (!span) return std::nullopt;
    for (size_t i = span->header + 1; i < span->end; ++i) {
        if (lines[i].kind == Line::kValue && SameName(lines[i].name, key))
            return std::string(lines[i].value);
    }
    return std::nullopt;
}

std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
    const std::vector<Line> lines = SplitLines(text);
    const std::string entry = std::string(key) + "=" + std::string(value);

    std::optional<size_t> replace;  // the line that holds the key already
    std::optional<size_t> after;    // the line the new key goes after
    if (const auto span = FindSection(lines, section)) {
        after = span->header;
        for (size_t i = span->header + 1; i < span->end; ++i) {
            if (lines[i].kind != Line::kValue) continue;
            if (SameName(lines[i].name, key)) {
                replace = i;
                break;
            }
            after = i;
        }
    }

    std::string out;
    out.reserve(text.size() + entry.size() + section.size() + 8);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (replace && i == *replace) {
            out += entry;
            // Keep a CR LF file in CR LF.
            if (!lines[i].text.empty() && lines[i].text.back() == '\r') out += '\r';
        } else {
            out += lines[i].text;
        }
        out += '\n';
        if (!replace && after && i == *after) out += entry + "\n";
    }
    if (!replace && !after) out += "[" + std::string(section) + "]\n" + entry + "\n";
    return out;
}

int32_t ParseProfileInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int64_t magnitude = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kLimit) magnitude = kLimit;
    }
    if (negative) return static_cast<int32_t>(-magnitude);
    return static_cast<int32_t>(magnitude == kLimit ? kLimit - 1 : magnitude);
}

}  // namespace zd
