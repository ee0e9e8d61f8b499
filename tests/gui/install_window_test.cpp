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
    ASSERT_TRUE(ChooseInDialog("Install package", package)) << "the dialog took the name";

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
