// The notes of one export as files: numbered where they share a first line,
// also one that differs only in case (an earlier export's replaced), in
// their Newton folder, never outside the export's folder, with names every
// disk takes, and skipped with the reason when they cannot be written.
#include "transfer/note_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "support/link_fixture.h"
#include "transfer/item_file.h"
#include "translate/newton_text.h"

namespace zd {
namespace {

namespace fs = std::filesystem;
using nsof::Value;
using Lines = std::vector<std::string>;

std::string Note(const std::string& text, std::optional<std::string> folder = std::nullopt,
                 int32_t minutes = 63000000) {
    nsof::Frame note{
        {{"class", Value{nsof::Symbol{"paperroll"}}},
         {"data", Value{nsof::Array{"",
                                    {Value{nsof::Frame{{{"viewBounds", Value{nsof::SmallRect{}}},
                                                        {"text", Value{nsof::String{text}}}}}}}}}},
         {"_modTime", Value{minutes}}}};
    if (folder) note.slots.push_back({"labels", Value{nsof::Symbol{*folder}}});
    return nsof::Encode(Value{std::move(note)});
}

class NoteFilesTest : public test::LinkFixture {
protected:
    std::set<std::string> Files(const std::string& in) {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(in))
            names.insert(fs::relative(entry.path(), in).string());
        return names;
    }
    const std::string folder = dir.File("notes");
};

TEST_F(NoteFilesTest, OneExportNeverOverwritesItselfButReplacesAnEarlierOne) {
    fs::create_directory(folder);
    test::WriteFile(folder + "/Inköp.txt", "from an earlier export");
    test::WriteFile(folder + "/Inköp-2.txt", "from an earlier export too");
    test::WriteFile(folder + "/.zandorelle-999999999-AbCdEf", "a killed export's");
    test::WriteFile(folder + "/.zandorelle-999999999-AbCdEf.XyZ123", "and its library's");
    NoteFiles files(folder);
    for (const char* second : {"mjölk", "bröd", "ost"})
        files.Save(session, Note(std::string("Inköp\r") + second), "a note");
    files.Save(session, Note("../../etc/passwd"), "a note");
    EXPECT_EQ(Files(folder), (std::set<std::string>{"Inköp.txt", "Inköp-2.txt", "Inköp-3.txt",
                                                    "_._.._etc_passwd.txt"}));
    EXPECT_EQ(test::ReadFile(folder + "/Inköp.txt"), "Inköp\nmjölk\n");
    EXPECT_EQ(test::ReadFile(folder + "/Inköp-3.txt"), "Inköp\nost\n");
    struct stat info {};
    ::stat((folder + "/Inköp.txt").c_str(), &info);
    EXPECT_EQ(info.st_mtime, LocalSeconds(63000000));
    EXPECT_EQ(files.saved(), 4u);
    EXPECT_TRUE(display.log.empty());
}

TEST_F(NoteFilesTest, FiledNotesGoIntoTheirFolderMadeSafe) {
    fs::create_directory(folder);
    NoteFiles files(folder);
    files.Save(session, Note("Möte", "Arbete"), "note 1");
    files.Save(session, Note("Möte", "Arbete"), "note 2");
    files.Save(session, Note("Ut", "../.."), "note 3");
    files.Save(session, Note("Lång", std::string(300, 'x')), "note 4");
    files.Save(session, Note("Hem"), "note 5");
    EXPECT_EQ(Files(folder),
              (std::set<std::string>{"Arbete", "Arbete/Möte.txt", "Arbete/Möte-2.txt", "_._",
                                     "_._/Ut.txt", std::string(200, 'x'),
                                     std::string(200, 'x') + "/Lång.txt", "Hem.txt"}));
    EXPECT_EQ(files.saved(), 5u);
}

TEST_F(NoteFilesTest, NamesOfOneCaseAreOneNameOnTheDisksPeopleCarry) {
    fs::create_directory(folder);
    NoteFiles files(folder);
    for (const char* title : {"Plan", "PLAN", "plan", "Ärende", "ÄRENDE", "straße", "STRASSE"})
        files.Save(session, Note(title), "a note");
    files.Save(session, Note("Möte", "Arbete"), "a note");
    files.Save(session, Note("MÖTE", "ARBETE"), "a note");
    EXPECT_EQ(Files(folder),
              (std::set<std::string>{"Plan.txt", "PLAN-2.txt", "plan-3.txt", "Ärende.txt",
                                     "ÄRENDE-2.txt", "straße.txt", "STRASSE.txt", "Arbete",
                                     "Arbete/Möte.txt", "ARBETE", "ARBETE/MÖTE-2.txt"}));
}

TEST(FileNames, EveryNameMadeIsOneEveryDiskTakes) {
    // What FAT, exFAT and Windows refuse, checked apart from the program's own rules.
    const auto everyDiskTakes = [](const std::string& name) {
        if (name.empty() || name.size() > 255 || name.back() == '.' || name.back() == ' ')
            return false;
        if (name.find_first_of("/\\:*?\"<>|") != std::string::npos) return false;
        for (const char c : name)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
        if (name.find("\u2028") != std::string::npos || name.find("\u2029") != std::string::npos)
            return false;
        std::string device = name.substr(0, name.find('.'));
        for (char& c : device) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        for (const char* reserved : {"CON", "PRN", "AUX", "NUL"})
            if (device == reserved) return false;
        return !(device.size() == 4 &&
                 (device.rfind("COM", 0) == 0 || device.rfind("LPT", 0) == 0) && device[3] >= '1' &&
                 device[3] <= '9');
    };
    const struct {
        const char* text;
        const char* name;
    } cases[] = {
        {"Timer:NEWTDEV", "Timer_NEWTDEV"},
        {"Vad? *Nu* <så> | \"då\"", "Vad_ _Nu_ _så_ _ _då_"},
        {"Slut...", "Slut"},
        {"Mellanslag   ", "Mellanslag"},
        {"...", "_"},
        {"CON", "CON_"},
        {"con.txt", "con_.txt"},
        {"Com1", "Com1_"},
        {"LPT9.backup", "LPT9_.backup"},
        {"COM0", "COM0"},
        {"CONSOLE", "CONSOLE"},
        {"rad\u2028ny\u2029stycke", "rad_ny_stycke"},
        {"Åsa's Newton 2026-12-11", "Åsa's Newton 2026-12-11"},
    };
    for (const auto& [text, name] : cases) {
        EXPECT_EQ(SafeFileName(text), name) << text;
        EXPECT_TRUE(everyDiskTakes(SafeFileName(text))) << text;
    }
}

TEST_F(NoteFilesTest, WhatCannotBeReadOrWrittenIsSkippedWithItsReason) {
    fs::create_directory(folder);
    fs::create_symlink(dir.File("elsewhere"), folder + "/Länk.txt");
    fs::create_symlink(dir.File("elsewhere"), folder + "/Mapp");
    NoteFiles files(folder);
    files.Save(session, "\x02\x06\xFF\x7F\xFF\xFF\xFF", "note 3 of Internal");
    files.Save(session, Note("Länk"), "note 4 of Internal");
    files.Save(session, Note("Fin", "Mapp"), "note 5 of Internal");
    EXPECT_EQ(display.Lines(),
              (Lines{"Skipped note 3 of Internal: it arrived damaged, so reading the Newton again "
                     "may bring it (a frame of 2147483647 where 0 bytes remain (at byte 7)).",
                     "Skipped note 4 of Internal: " + folder +
                         "/Länk.txt: Too many levels of symbolic links.",
                     "Something was odd in note 5 of Internal: its folder could not be made (" +
                         folder + "/Mapp is no folder)."}));
    EXPECT_FALSE(fs::exists(dir.File("elsewhere")));
    EXPECT_TRUE(fs::exists(folder + "/Fin.txt")) << "saved at the top instead";
    EXPECT_EQ(files.saved(), 1u);
    EXPECT_EQ(files.skipped(), 2u);
}

}  // namespace
}  // namespace zd
