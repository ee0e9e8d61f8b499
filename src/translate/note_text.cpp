#include "transfer/note_text.h"

#include <algorithm>

#include "base/unicode.h"

namespace zd {
namespace {

// The character that stands for an ink word inside a text.
constexpr char32_t kInkWord = 0xF700;
constexpr size_t kTitleCharacters = 60;
constexpr const char* kDrawingOnly =
    "(This note holds only a drawing, which no text file can show.)";

// A text of the Newton's as ours: its returns as line ends, its ink words named.
std::string TextOf(const nsof::Value* value) {
    const nsof::String* string = value ? value->As<nsof::String>() : nullptr;
    if (!string) return {};
    std::string text;
    for (size_t at = 0; at < string->text.size();) {
        const int64_t c = NextCharacter(string->text, &at);
        if (c == '\r') {
            text += '\n';
        } else if (c == kInkWord) {
            text += "[ink]";
        } else if (c >= 0) {
            AppendUtf8(text, static_cast<char32_t>(c));
        }
    }
    return text;
}

int32_t IntegerOf(const nsof::Value* value, int32_t otherwise) {
    const int32_t* integer = value ? value->As<int32_t>() : nullptr;
    return integer ? *integer : otherwise;
}

// The Newton's truth: anything but nil.
bool IsTrue(const nsof::Value* value) {
    return value && !value->As<nsof::Nil>();
}

// The frames of the array in slot `name`.
std::vector<const nsof::Value*> FramesIn(const nsof::Value& entry, std::string_view name) {
    std::vector<const nsof::Value*> frames;
    const nsof::Value* slot = entry.Find(name);
    const nsof::Array* array = slot ? slot->As<nsof::Array>() : nullptr;
    if (!array) return frames;
    for (const nsof::Value& element : array->elements)
        if (element.As<nsof::Frame>()) frames.push_back(&element);
    return frames;
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

}  // namespace

std::optional<NoteText> NoteAsText(const nsof::Value& entry, std::string* why) {
    if (!entry.As<nsof::Frame>()) {
        *why = "the entry is no frame";
        return std::nullopt;
    }
    std::string text;
    // The title comes from the note's own words, not from the marks added here.
    std::string words;
    // A plain note's paragraphs; a drawing or an ink paragraph has no text.
    for (const nsof::Value* paragraph : FramesIn(entry, "data")) {
        if (const nsof::Value* slot = paragraph->Find("text"); slot && slot->As<nsof::String>()) {
            const std::string line = TextOf(slot) + "\n";
            text += line;
            words += line;
        }
    }
    // A checklist's or an outline's topics, indented by their level; a
    // checklist marks each topic done or not ("checked", uncertain).
    const nsof::Value* klass = entry.Find("class");
    const nsof::Symbol* symbol = klass ? klass->As<nsof::Symbol>() : nullptr;
    const bool checklist = symbol && symbol->name == "checkList";
    for (const nsof::Value* topic : FramesIn(entry, "topics")) {
        const int32_t level = IntegerOf(topic->Find("level"), 0);
        text += std::string(2 * static_cast<size_t>(std::clamp(level, 0, 32)), ' ');
        if (checklist) text += IsTrue(topic->Find("checked")) ? "[x] " : "[ ] ";
        const std::string line = TextOf(topic->Find("text")) + "\n";
        text += line;
        words += line;
    }
    NoteText note;
    note.title = Title(words);
    note.text = note.title.empty() ? std::string(kDrawingOnly) + "\n" : text;
    if (note.title.empty()) note.title = "Drawing";
    const nsof::Value* modTime = entry.Find("_modTime");
    if (const int32_t* minutes = modTime ? modTime->As<int32_t>() : nullptr)
        note.modified = (int64_t{*minutes} - kNewtonEpochMinutes) * 60;
    return note;
}

}  // namespace zd
