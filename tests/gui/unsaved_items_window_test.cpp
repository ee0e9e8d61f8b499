// The folders of items as a user of the real window under icewm meets them:
// File, "Unsaved items…" and "Open the receive folder" hand them to the
// desktop's file manager (here a stand-in for xdg-open that notes it).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "gui/window_manager_fixture.h"

namespace zd {
namespace {

TEST_F(WindowManagerTest, TheFileMenuOpensTheFoldersOfItems) {
    const std::string unsaved = dir.File("state/zandorelle/unsaved");
    std::filesystem::create_directories(unsaved);
    test::WriteFile(unsaved + "/Anteckning.txt", "gammal anteckning");
    const std::string tools = dir.File("bin");
    std::filesystem::create_directory(tools);
    test::WriteFile(tools + "/xdg-open", "#!/bin/sh\necho \"$@\" >> " + dir.File("opened") + "\n");
    ::chmod((tools + "/xdg-open").c_str(), 0755);
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nDir=" + dir.File("in") + "\n");

    test::Subprocess program(
        x->OnDisplay({"/usr/bin/env", "XDG_STATE_HOME=" + dir.File("state"),
                      "PATH=" + tools + ":/usr/bin:/bin", ZD_PROGRAM, "--ini", dir.File("z.INI")}));
    const std::string id = x->WaitForWindow("^Zandorelle$");
    ASSERT_FALSE(id.empty()) << program.err();
    Pause(500);
    Type(id, "alt+f");
    Pause(300);
    x->XDoTool({"key", "u"});  // "&Unsaved items…"
    for (int i = 0; i < 50 && test::ReadFile(dir.File("opened")).empty(); ++i) Pause(100);
    EXPECT_EQ(test::ReadFile(dir.File("opened")), "file://" + unsaved + "\n");
    Type(id, "alt+f");
    Pause(300);
    x->XDoTool({"key", "r"});  // "Open the &receive folder"
    for (int i = 0; i < 50 && test::CountOf(test::ReadFile(dir.File("opened")), "\n") < 2; ++i)
        Pause(100);
    EXPECT_EQ(test::ReadFile(dir.File("opened")),
              "file://" + unsaved + "\nfile://" + dir.File("in") + "\n");
    EXPECT_TRUE(program.RunsFor(300)) << "the window stays";
    Type(id, "Escape");
    EXPECT_EQ(program.WaitForExit(5000), 0) << program.err();
}

}  // namespace
}  // namespace zd
