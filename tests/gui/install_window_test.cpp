// Installing a package from the real window under icewm, as a user does it:
// File, "Install package…", the file chosen in the dialog, and the package
// arrives in the Newton's Connection application that newton-sim plays.
#include <gtest/gtest.h>

#include <filesystem>

#include "gui/window_manager_fixture.h"

namespace zd {
namespace {

TEST_F(WindowManagerTest, APackageChosenFromTheFileMenuIsInstalled) {
    std::filesystem::create_directories(dir.File("got"));
    const std::string package = dir.File("Bücherwurm.pkg");
    test::WriteFile(package, "package0" + std::string(3000, '\x5A'));
    auto program = StartWithNewton({"--timeout", "30", "--dock", dir.File("got")});
    ASSERT_FALSE(window.empty());

    Type(window, "alt+f");
    Pause(300);
    x->XDoTool({"key", "i"});  // "&Install package…"
    const std::string dialog = x->WaitForWindow("^Install package$", 5000);
    ASSERT_FALSE(dialog.empty()) << "the file dialog";
    Pause(500);  // until the dialog has put its focus on the file name
    // Pasted, since xdotool now and then loses a "ü" it types.
    test::Subprocess setClipboard(
        x->OnDisplay({"/usr/bin/xclip", "-i", "-selection", "clipboard"}));
    setClipboard.Write(package);
    setClipboard.CloseInput();
    setClipboard.WaitForExit(3000);
    x->XDoTool({"key", "ctrl+a", "ctrl+v"});
    Pause(200);
    // A completion list that opened over the name may take the first Return.
    for (int i = 0; i < 5 && x->Visible("^Install package$"); ++i) {
        x->XDoTool({"key", "Return"});
        Pause(400);
    }
    ASSERT_FALSE(x->Visible("^Install package$")) << "the dialog took the name";

    for (int i = 0; i < 100 && !std::filesystem::exists(dir.File("got/package-1.pkg")); ++i)
        Pause(100);
    EXPECT_EQ(newton->WaitForExit(10000), 0) << newton->err();
    EXPECT_TRUE(test::ReadFile(dir.File("got/package-1.pkg")) == test::ReadFile(package));
    EXPECT_TRUE(program->RunsFor(500)) << "the window lives on";
    Type(window, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0);
}

}  // namespace
}  // namespace zd
