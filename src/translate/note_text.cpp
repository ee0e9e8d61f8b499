#include "translate/note_text.h"

#include <algorithm>

#include "base/unicode.h"
#include "translate/newton_text.h"

namespace zd {
namespace {

constexpr size_t kTitleCharacters = 60;
// Topics deeper than this are shown at this depth.
constexpr int32_t kMaxLevel = 32;
constexpr const char* kDrawingOnly =
    "(This note holds only a drawing, which no text file can show.)";

// A topic's depth from the left margin, level 1.
size_t DepthOf(const nsof::Value& topic, std::vector<std::string>& oddities) {
    const int32_t level = IntegerOf(topic.Find("level")).value_or(1);
    if (level < 1 || level > kMaxLevel) {
        oddities.push_back("a topic's level of " + std::to_string(level));
        return level < 1 ? 0 : kMaxLevel - 1;
    }
    return static_cast<size_t>(level - 1);
}

std::string Title(const std::string& text) {
    size_t start = text.find_first_not_of(" \t\n");
    if (start == std::string::npos) return {};
    std::string line = text.substr(start, text.find('\n', start) - start);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
    // At most so many characters, never in the middle of one.
    size_t at = 0;
    for (size_t count = 0; at < line.size() && count < kTitleCharacters; ++count)
        (void)NextCharacter(line, &at);
    return line.substr(0, at);
}

std::string FolderOf(const nsof::Value& entry) {
    const nsof::Value* labels = entry.Find("labels");
    if (!labels) return {};
    if (const nsof::Symbol* symbol = labels->As<nsof::Symbol>()) return symbol->name;
    return TextOf(labels).value_or("");
}

}  // namespace

std::optional<NoteText> NoteAsText(const nsof::Value& entry, std::string* why) {
    if (!entry.As<nsof::Frame>()) {
        *why = "the entry is no frame";
        return std::nullopt;
    }
    NoteText note;
    std::string text;
    // The title comes from the note's own words, not from the marks added here.
    std::string words;
    for (const nsof::Value* paragraph : ParagraphsOnThePage(entry, "data", note.oddities)) {
        const std::string line = TextSlot(*paragraph, "text") + "\n";
        text += line;
        words += line;
        if (text.size() > kMaxTextBytes) break;
    }
    // A checklist's or an outline's topics, in their order, indented by
    // their level; a checklist marks each topic done or not.
    const bool checklist = entry.Find("class") && entry.Find("class")->IsSymbol("checkList");
    for (const nsof::Value* topic : FramesIn(entry, "topics")) {
        text += std::string(2 * DepthOf(*topic, note.oddities), ' ');
        if (checklist) text += IsTrue(topic->Find("mtgDone")) ? "[x] " : "[ ] ";
        const std::string line = TextSlot(*topic, "text") + "\n";
        text += line;
        words += line;
        if (text.size() > kMaxTextBytes) break;
    }
    if (text.size() > kMaxTextBytes) {
        *why = "its text is longer than " + std::to_string(kMaxTextBytes >> 20) + " MiB";
        return std::nullopt;
    }
    note.title = Title(words);
    note.text = note.title.empty() ? std::string(kDrawingOnly) + "\n" : std::move(text);
    if (note.title.empty()) note.title = "Drawing";
    note.folder = FolderOf(entry);
    if (const auto minutes = IntegerOf(entry.Find("_modTime")))
        note.modified = LocalSeconds(*minutes);
    return note;
}

}  // namespace zd
