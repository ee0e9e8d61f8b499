// File, "Save the Newton's notes…" in the real window under icewm: the folder
// chosen in the dialog, the program listening for the Newton's Connection
// since it had not connected yet, and its notes arriving as text files.
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

}  // namespace
}  // namespace zd
