// File, "Save the Newton's notes…" and "Save the Newton's data…" in the real
// window under icewm: what to save ticked, the folder chosen in the dialog,
// the program listening for the Newton's Connection since it had not
// connected yet, and the notes arriving as text files, the rest as vCard and
// iCalendar files; and File, "Back up the Newton…" keeping all of it in one
// archive in the folder chosen.
#include <gtest/gtest.h>

#include <filesystem>

#include "gui/window_manager_fixture.h"

namespace zd {
namespace {

namespace fs = std::filesystem;

TEST_F(WindowManagerTest, TheNewtonsNotesArriveInTheFolderChosen) {
    const std::string notes = dir.File("on-the-newton"), out = dir.File("Anteckningar");
    fs::create_directories(notes);
    fs::create_directories(out);
    for (const char* note : {"Inköp\nmjölk", "Réunion\nà 10 h", "Grüße\naus Köln"})
        test::WriteFile(notes + "/" + std::string(note).substr(0, 3) + ".txt", note);
    auto program = StartWithNewton({"--timeout", "30", "--notes", notes});
    ASSERT_FALSE(window.empty());

    Type(window, "alt+f");
    Pause(300);
    x->XDoTool({"key", "n"});  // "Save the Newton's &notes…"
    ASSERT_TRUE(ChooseInDialog("Save the Newton's notes", out)) << "the dialog took the folder";

    for (int i = 0; i < 100 && !fs::exists(out + "/Réunion.txt"); ++i) Pause(100);
    EXPECT_EQ(test::ReadFile(out + "/Inköp.txt"), "Inköp\nmjölk\n");
    EXPECT_EQ(test::ReadFile(out + "/Réunion.txt"), "Réunion\nà 10 h\n");
    EXPECT_EQ(test::ReadFile(out + "/Grüße.txt"), "Grüße\naus Köln\n");
    EXPECT_TRUE(program->RunsFor(300)) << "the window lives on";
    Type(window, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
    EXPECT_EQ(newton->WaitForExit(10000), 0) << "the connection said goodbye: " << newton->err();
}

TEST_F(WindowManagerTest, TheNewtonsDataArriveAsTicked) {
    const std::string out = dir.File("Säkerhetskopia");
    fs::create_directories(out);
    auto program = StartWithNewton({"--timeout", "30", "--data"}, "ExportToDo=0\n");
    ASSERT_FALSE(window.empty());

    Type(window, "alt+f");
    Pause(300);
    x->XDoTool({"key", "d"});  // "Save the Newton's &data…"
    const std::string choice = x->WaitForWindow("^Save the Newton's data$", 5000);
    ASSERT_FALSE(choice.empty());
    Pause(300);
    x->XDoTool({"windowactivate", "--sync", choice, "key", "space"});  // no notes this time
    x->XDoTool({"key", "Return"});
    ASSERT_TRUE(ChooseInDialog("Save the Newton's data", out));

    for (int i = 0; i < 100 && !fs::exists(out + "/Dates.ics"); ++i) Pause(100);
    EXPECT_NE(test::ReadFile(out + "/Names.vcf").find("FN:Åsa Ørnskjöld\r\n"), std::string::npos);
    EXPECT_NE(test::ReadFile(out + "/Dates.ics").find("SUMMARY:Midsommarafton\r\n"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(out + "/To Do.ics")) << "not ticked, as the preference kept it";
    EXPECT_FALSE(fs::exists(out + "/Notes"));
    Type(window, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
    EXPECT_NE(test::ReadFile(dir.File("z.INI")).find("ExportNotes=0"), std::string::npos)
        << "the choice is kept";
}

TEST_F(WindowManagerTest, ABackupLandsInTheFolderChosen) {
    const std::string out = dir.File("Säkerhet");
    fs::create_directories(out);
    auto program = StartWithNewton({"--timeout", "30", "--data", "--more-soups"});
    ASSERT_FALSE(window.empty());

    Type(window, "alt+f");
    Pause(300);
    x->XDoTool({"key", "b"});  // "&Back up the Newton…"
    ASSERT_TRUE(ChooseInDialog("Back up the Newton", out));

    std::string archive;
    for (int i = 0; i < 100 && archive.empty(); ++i) {
        for (const auto& entry : fs::directory_iterator(out))
            if (entry.path().extension() == ".newtonbackup") archive = entry.path();
        Pause(100);
    }
    EXPECT_EQ(fs::path(archive).filename().string().rfind("Åsa Ørnskjöld's Newton ", 0), 0u)
        << archive;
    Type(window, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
}

}  // namespace
}  // namespace zd
