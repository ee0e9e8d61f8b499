// A Newton note as a text, on frames as the Newton keeps them: paragraphs in
// their order on the page, ink words in texts and rich strings, checklists
// and outlines by level, folders, and what is odd or too large.
#include "translate/note_text.h"

#include <gtest/gtest.h>

#include "translate/newton_text.h"

namespace zd {
namespace {

using nsof::Value;

Value Sym(const char* name) {
    return Value{nsof::Symbol{name}};
}

Value Para(std::string text, Value bounds) {
    return Value{nsof::Frame{{{"viewStationery", Sym("para")},
                              {"viewBounds", std::move(bounds)},
                              {"text", Value{nsof::String{std::move(text)}}}}}};
}

Value Rect(uint8_t top, uint8_t left) {
    return Value{nsof::SmallRect{top, left, 200, 200}};
}

Value Note(const char* klass, const char* slot, std::vector<Value> parts,
           std::vector<nsof::Slot> more = {}) {
    nsof::Frame note{{{"class", Sym(klass)}, {slot, Value{nsof::Array{"", std::move(parts)}}}}};
    for (nsof::Slot& extra : more) note.slots.push_back(std::move(extra));
    return Value{std::move(note)};
}

Value Topic(const char* text, std::optional<int32_t> level, bool done = false) {
    nsof::Frame topic{{{"text", Value{nsof::String{text}}}}};
    if (level) topic.slots.push_back({"level", Value{*level}});
    if (done) topic.slots.push_back({"mtgDone", Value{true}});
    return Value{std::move(topic)};
}

NoteText Read(const Value& entry) {
    std::string why;
    const auto note = NoteAsText(entry, &why);
    EXPECT_TRUE(note) << why;
    return note.value_or(NoteText{});
}

TEST(NoteText, ParagraphsAreReadInTheirOrderOnThePage) {
    const Value frameBounds{
        nsof::Frame{{{"top", Value{int32_t{300}}}, {"left", Value{int32_t{0}}}}}};
    const Value drawing{nsof::Frame{{{"viewStationery", Sym("poly")},
                                     {"viewBounds", Rect(0, 0)},
                                     {"text", Value{nsof::String{"no text of a drawing"}}}}}};
    const NoteText note =
        Read(Note("paperroll", "data",
                  {Para("sist", Value{nsof::Nil{}}), Para("under\rraden", frameBounds),
                   Para("  Réunion à Paris", Rect(10, 50)), drawing,
                   Para("Ring \uF701 och \uF700", Rect(10, 5))},
                  {{"_modTime", Value{int32_t{64605600}}}}));
    EXPECT_EQ(note.text, "Ring [ink] och [ink]\n  Réunion à Paris\nunder\nraden\nsist\n");
    EXPECT_EQ(note.title, "Ring [ink] och [ink]");
    EXPECT_EQ(note.oddities, std::vector<std::string>{"a paragraph without its place on the page"});
}

TEST(NoteText, TheNewtonsClockIsItsOwnersLocalTime) {
    // 1 November 2026, 00:00 on the Newton, in Los Angeles and in Stockholm.
    const struct {
        const char* zone;
        int64_t seconds;
    } zones[] = {{"America/Los_Angeles", 1793516400}, {"Europe/Stockholm", 1793487600}};
    const char* before = std::getenv("TZ");
    const std::string kept = before ? before : "";
    for (const auto& [zone, seconds] : zones) {
        ::setenv("TZ", zone, 1);
        ::tzset();
        EXPECT_EQ(Read(Note("paperroll", "data", {Para("Natt", Rect(0, 0))},
                            {{"_modTime", Value{int32_t{64605600}}}}))
                      .modified,
                  seconds)
            << zone;
    }
    before ? ::setenv("TZ", kept.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

TEST(NoteText, ChecklistsAndOutlinesAreIndentedFromLevelOne) {
    const std::vector<Value> topics = {Topic("Handla", 1), Topic("Mjölk", 2, true),
                                       Topic("Bröd", std::nullopt), Topic("Djup", 3)};
    EXPECT_EQ(Read(Note("checkList", "topics", topics)).text,
              "[ ] Handla\n  [x] Mjölk\n[ ] Bröd\n    [ ] Djup\n");
    EXPECT_EQ(Read(Note("checklist", "topics", topics)).text,
              "[ ] Handla\n  [x] Mjölk\n[ ] Bröd\n    [ ] Djup\n")
        << "a class is the same in any case";
    EXPECT_EQ(Read(Note("list", "topics", topics)).text, "Handla\n  Mjölk\nBröd\n    Djup\n");

    const NoteText odd =
        Read(Note("list", "topics", {Topic("Vänster", -5), Topic("Höger", 10000)}));
    EXPECT_EQ(odd.text, "Vänster\n" + std::string(62, ' ') + "Höger\n");
    EXPECT_EQ(odd.oddities,
              (std::vector<std::string>{"a topic's level of -5", "a topic's level of 10000"}));
}

TEST(NoteText, TheFolderPrivateUseAndWhatCannotBeANote) {
    EXPECT_EQ(
        Read(Note("paperroll", "data", {Para("Möte", Rect(0, 0))}, {{"labels", Sym("Arbete")}}))
            .folder,
        "Arbete");
    EXPECT_EQ(Read(Note("paperroll", "data", {Para("\uF8FFpple", Rect(0, 0))})).text,
              "\uFFFDpple\n");

    EXPECT_EQ(
        Read(Note("paperroll", "data", {Para(std::string(100, 'a') + "ö", Rect(0, 0))})).title,
        std::string(60, 'a'));
    const NoteText drawing = Read(Note("paperroll", "data", {}));
    EXPECT_EQ(drawing.title, "Drawing");
    EXPECT_NE(drawing.text.find("only a drawing"), std::string::npos);
    std::string why;
    EXPECT_FALSE(NoteAsText(Value{nsof::String{"a note?"}}, &why));
    EXPECT_EQ(why, "the entry is no frame");
    const std::string mebibyte(1 << 20, 'a');
    EXPECT_FALSE(NoteAsText(
        Note("list", "topics", std::vector<Value>(17, Topic(mebibyte.c_str(), 1))), &why));
    EXPECT_EQ(why, "its text is longer than 16 MiB");
}

}  // namespace
}  // namespace zd
