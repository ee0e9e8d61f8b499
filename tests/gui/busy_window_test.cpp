// The real window while it waits for the Newton, under icewm on Xvfb: it keeps
// painting and shows how far a slow item has come; through a backup that
// takes seconds its menus and dialogs open at once; and every way of
// quitting ends the program within seconds of being asked, even while the
// Newton is silent in the middle of an item.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include "gui/window_manager_fixture.h"
#include "ui/command_ids.h"

namespace zd {
namespace {

using Clock = std::chrono::steady_clock;

class BusyWindowTest : public WindowManagerTest {
protected:
    // A Newton on a pseudo-terminal with `steps` after its greeting, and the
    // window listening for it from the start, saving items in the folder.
    std::unique_ptr<test::Subprocess> StartWithGreetingNewton(std::vector<std::string> steps) {
        steps.insert(steps.begin(), {"--timeout", "60", "--greet"});
        return StartWithNewton(steps, "listen=1\nSaveAsFile=1\nDir=" + dir.path() + "\n");
    }
};

TEST_F(BusyWindowTest, ASlowItemLeavesTheWindowPaintingAndShowsItsProgress) {
    test::WriteFile(dir.File("long"), std::string(12 * 1024, 'z'));
    auto program = StartWithGreetingNewton({"--baud", "9600", "--push", "Long", dir.File("long")});
    ASSERT_FALSE(window.empty());
    Pause(3000);  // greeted, and a second into the item
    const QRect field = Place(command::kTransitField);
    std::vector<std::string> pictures;
    for (int i = 0; i < 4; ++i) {
        const std::string file = dir.File("transit" + std::to_string(i) + ".png");
        ASSERT_TRUE(
            x->Screenshot(file, window, {field.x(), field.y(), field.width(), field.height()}));
        pictures.push_back(test::ReadFile(file));
        if (i > 0) {
            EXPECT_NE(pictures[i], pictures[i - 1]) << "picture " << i << ": the same count";
        }
        Pause(1000);
    }
    EXPECT_TRUE(test::ReadFile(dir.File("Long.txt")).empty()) << "the item was still on its way";
    Type(window, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0);
}

TEST_F(BusyWindowTest, ThroughABackupTheMenusAndDialogsOpenAtOnce) {
    std::filesystem::create_directories(dir.File("notes"));
    test::WriteFile(dir.File("notes/1.txt"), "Möte i Malmö\n");
    auto program = StartWithNewton({"--timeout", "60", "--baud", "57600", "--notes",
                                    dir.File("notes"), "--data-many", "150", "--tap-backup"},
                                   "listen=1\nDir=" + dir.File("in") + "\n");
    ASSERT_FALSE(window.empty());
    std::filesystem::create_directories(dir.File("in"));
    Pause(2500);  // connected, and the backup under way
    const auto started = Clock::now();
    Type(window, "alt+h");
    Pause(200);
    x->XDoTool({"key", "Return"});  // "About Zandorelle..."
    const std::string about = x->WaitForWindow("^About Zandorelle$", 3000);
    ASSERT_FALSE(about.empty()) << "the Help menu and its dialog open during the backup";
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(1500));
    x->XDoTool({"windowactivate", "--sync", about, "key", "Escape"});
    bool backedUp = false;
    for (int i = 0; i < 300 && !backedUp; ++i) {
        Pause(100);
        for (const auto& entry : std::filesystem::directory_iterator(dir.File("in")))
            backedUp = backedUp || entry.path().extension() == ".newtonbackup";
    }
    EXPECT_TRUE(backedUp) << "and the backup went on to its end";
    EXPECT_FALSE(
        std::filesystem::exists(dir.File("in/Åsa Ørnskjöld's Newton (incomplete).newtonbackup")));
    Type(window, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0);
}

TEST_F(BusyWindowTest, EveryWayOfQuittingEndsAWaitForASilentNewton) {
    // As the Newton has it: "–", "à" and "é" in its own character set.
    test::WriteFile(dir.File("half"), "Halb angekommen \xD0 \x88 moiti\x8E arriv\x8E");
    const std::pair<const char*, std::function<void(test::Subprocess&)>> ways[] = {
        {"Escape", [this](test::Subprocess&) { Type(window, "Escape"); }},
        {"the close box", [this](test::Subprocess&) { Type(window, "alt+F4"); }},
        {"SIGTERM", [](test::Subprocess& program) { program.Signal(SIGTERM); }},
        {"SIGINT", [](test::Subprocess& program) { program.Signal(SIGINT); }},
    };
    for (const auto& [name, quit] : ways) {
        SCOPED_TRACE(name);
        ::unlink(dir.File("Half.txt").c_str());
        auto program =
            StartWithGreetingNewton({"--push-open", "Half", dir.File("half"), "--sleep", "30000"});
        ASSERT_FALSE(window.empty());
        Pause(3000);  // the item's first part came, and the Newton fell silent
        EXPECT_TRUE(program->RunsFor(0));
        const auto start = Clock::now();
        quit(*program);
        EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));
        EXPECT_EQ(test::ReadFile(dir.File("Half.txt")), "Halb angekommen – à moitié arrivé")
            << "the wait was ended, and what came was kept";
        newton->Signal(SIGKILL);
        newton->WaitForExit(5000);
    }
}

TEST_F(BusyWindowTest, AClickDuringAnItemIsCarriedOutAfterIt) {
    test::WriteFile(dir.File("long"), std::string(4 * 1024, 'z'));
    auto program = StartWithGreetingNewton({"--baud", "9600", "--push", "Long", dir.File("long"),
                                            "--catch", dir.File("caught"), "--await-bye"});
    ASSERT_FALSE(window.empty());
    test::Subprocess setClipboard(
        x->OnDisplay({"/usr/bin/xclip", "-i", "-selection", "clipboard"}));
    setClipboard.Write("Bonjour à tous");
    setClipboard.CloseInput();
    setClipboard.WaitForExit(3000);
    Pause(2500);  // in the middle of the item
    EXPECT_TRUE(test::ReadFile(dir.File("Long.txt")).empty());
    Click(window, Centre(command::kPaste));

    for (int i = 0; i < 200 && test::ReadFile(dir.File("caught")).empty(); ++i) Pause(100);
    EXPECT_EQ(test::ReadFile(dir.File("caught")), "Bonjour \x88 tous");
    EXPECT_EQ(test::ReadFile(dir.File("Long.txt")), std::string(4 * 1024, 'z'))
        << "the item came whole, the paste after it";
    Type(window, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0);
}

}  // namespace
}  // namespace zd
