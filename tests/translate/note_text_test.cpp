// The Newton's notes as text files: plain notes, checklists and outlines, ink
// and drawings, the note's time, and the files of one export that share a
// first line, replace an earlier export's, or cannot be written.
#include "transfer/note_text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "support/link_fixture.h"
#include "transfer/note_files.h"

namespace zd {
namespace {

namespace fs = std::filesystem;
using nsof::Value;
using Lines = std::vector<std::string>;

Value Paragraphs(std::vector<std::string> texts, int32_t minutes = 0) {
    nsof::Array data;
    for (std::string& text : texts) {
        data.elements.push_back(
            text.empty() ? Value{nsof::Frame{{{"ink", Value{nsof::Binary{"ink", "xy"}}}}}}
                         : Value{nsof::Frame{{{"text", Value{nsof::String{text}}}}}});
    }
    return Value{nsof::Frame{{{"class", Value{nsof::Symbol{"paperroll"}}},
                              {"data", Value{data}},
                              {"_modTime", Value{minutes}}}}};
}

Value Topics(const char* klass) {
    const auto topic = [](const char* text, int32_t level, bool checked) {
        nsof::Frame frame{{{"text", Value{nsof::String{text}}}, {"level", Value{level}}}};
        if (checked) frame.slots.push_back({"checked", Value{true}});
        return Value{frame};
    };
    return Value{nsof::Frame{
        {{"class", Value{nsof::Symbol{klass}}},
         {"topics", Value{nsof::Array{"",
                                      {topic("Handla", 0, false), topic("Mjölk", 1, true),
                                       topic("Bröd", 2, false)}}}}}}};
}

std::string Text(const Value& entry) {
    std::string why;
    const auto note = NoteAsText(entry, &why);
    return note ? note->text : "(" + why + ")";
}

TEST(NoteText, ParagraphsAreLinesAndTheFirstLineNamesTheNote) {
    std::string why;
    const auto note = NoteAsText(
        Paragraphs({"  Réunion à Paris\rà 10 h", "", "Grüße \xEF\x9C\x80 Åsa"}, 63000000), &why);
    ASSERT_TRUE(note) << why;
    EXPECT_EQ(note->text, "  Réunion à Paris\nà 10 h\nGrüße [ink] Åsa\n")
        << "ink paragraphs have no text";
    EXPECT_EQ(note->title, "Réunion à Paris");
    EXPECT_EQ(note->modified, (int64_t{63000000} - kNewtonEpochMinutes) * 60);
}

TEST(NoteText, ChecklistsAndOutlinesAreIndentedLines) {
    EXPECT_EQ(Text(Topics("checkList")), "[ ] Handla\n  [x] Mjölk\n    [ ] Bröd\n");
    EXPECT_EQ(Text(Topics("list")), "Handla\n  Mjölk\n    Bröd\n");
    std::string why;
    EXPECT_EQ(NoteAsText(Topics("checkList"), &why)->title, "Handla") << "the words, not the marks";
}

TEST(NoteText, ADrawingOnlyNoteSaysSoAndWhatIsNoFrameIsRefused) {
    std::string why;
    const auto drawing = NoteAsText(Paragraphs({""}), &why);
    ASSERT_TRUE(drawing);
    EXPECT_EQ(drawing->title, "Drawing");
    EXPECT_NE(drawing->text.find("only a drawing"), std::string::npos);
    EXPECT_FALSE(NoteAsText(Value{nsof::String{"a note?"}}, &why));
    EXPECT_EQ(why, "the entry is no frame");
    const auto longTitle = NoteAsText(Paragraphs({std::string(100, 'a') + "ö"}), &why);
    EXPECT_EQ(longTitle->title, std::string(60, 'a'));
}

class NoteFilesTest : public test::LinkFixture {
protected:
    std::set<std::string> Files() {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }
    const std::string folder = dir.File("notes");
};

TEST_F(NoteFilesTest, OneExportNeverOverwritesItselfButReplacesAnEarlierOne) {
    fs::create_directory(folder);
    test::WriteFile(folder + "/Inköp.txt", "from an earlier export");
    test::WriteFile(folder + "/Inköp-2.txt", "from an earlier export too");
    NoteFiles files(folder);
    for (const char* second : {"mjölk", "bröd", "ost"})
        files.Save(session, nsof::Encode(Paragraphs({std::string("Inköp\r") + second}, 63000000)),
                   "a note");
    files.Save(session, nsof::Encode(Paragraphs({"../../etc/passwd"})), "a note");
    EXPECT_EQ(Files(), (std::set<std::string>{"Inköp.txt", "Inköp-2.txt", "Inköp-3.txt",
                                              "_._.._etc_passwd.txt"}));
    EXPECT_EQ(test::ReadFile(folder + "/Inköp.txt"), "Inköp\nmjölk\n");
    EXPECT_EQ(test::ReadFile(folder + "/Inköp-3.txt"), "Inköp\nost\n");
    struct stat info {};
    ::stat((folder + "/Inköp.txt").c_str(), &info);
    EXPECT_EQ(info.st_mtime, (int64_t{63000000} - kNewtonEpochMinutes) * 60);
    EXPECT_EQ(files.saved(), 4u);
    EXPECT_TRUE(display.log.empty());
}

TEST_F(NoteFilesTest, WhatCannotBeReadOrWrittenIsSkippedWithItsReason) {
    fs::create_directory(folder);
    fs::create_symlink(dir.File("elsewhere"), folder + "/Länk.txt");
    NoteFiles files(folder);
    files.Save(session, "\x02\x06\xFF\x7F\xFF\xFF\xFF", "note 3 of Internal");
    files.Save(session, nsof::Encode(Paragraphs({"Länk"})), "note 4 of Internal");
    files.Save(session, nsof::Encode(Paragraphs({"Fin"})), "note 5 of Internal");
    EXPECT_EQ(display.Lines(),
              (Lines{"Skipped note 3 of Internal: a frame of 2147483647 where 0 bytes remain (at "
                     "byte 7).",
                     "Skipped note 4 of Internal: " + folder +
                         "/Länk.txt: Too many levels of symbolic links."}));
    EXPECT_FALSE(fs::exists(dir.File("elsewhere")));
    EXPECT_EQ(files.saved(), 1u);
    EXPECT_EQ(files.skipped(), 2u);
}

}  // namespace
}  // namespace zd
