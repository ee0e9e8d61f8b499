// The real program under a real window manager with a taskbar and a system
// tray (icewm on Xvfb), driven as a user drives it: every start lives until
// it is closed, the placement comes back as it was saved, tray mode shows and
// hides the window through the tray, the window can be minimised and is on
// the taskbar, and the log stays whole while the user selects and copies.
#include <gtest/gtest.h>

#include "gui/window_manager_fixture.h"
#include "ui/command_ids.h"

namespace zd {
namespace {

TEST_F(WindowManagerTest, TenStartsInARowEachLiveUntilClosedAndTheRectangleHolds) {
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\n");
    std::string firstSaved;
    for (int start = 0; start < 10; ++start) {
        SCOPED_TRACE("start " + std::to_string(start + 1));
        auto program = Start();
        const std::string id = x->WaitForWindow("^Zandorelle$");
        ASSERT_FALSE(id.empty()) << program->err();
        EXPECT_TRUE(program->RunsFor(1000)) << "ended by itself: " << program->err();
        switch (start % 3) {
            case 0:
                // Sent to the window as a test tool does it: the key's release
                // never arrives, and the key stays down for the next start.
                x->XDoTool({"key", "--window", id, "Escape"});
                break;
            case 1:
                x->XDoTool({"keyup", "Escape"});
                Type(id, "alt+F4");  // icewm's close, as the close box gives it
                break;
            default:
                Type(id, "ctrl+x");  // File, Exit
                break;
        }
        EXPECT_EQ(program->WaitForExit(5000), 0) << program->err();
        if (start == 0) firstSaved = SavedRect();
        EXPECT_EQ(SavedRect(), firstSaved) << "the same place and size every time";
    }
    EXPECT_EQ(firstSaved.find('-'), std::string::npos) << firstSaved;
    EXPECT_NE(test::ReadFile(dir.File("z.INI")).find("Launch=10\n"), std::string::npos);
}

TEST_F(WindowManagerTest, AnEnlargedWindowComesBackAtItsPlaceAndSize) {
    test::WriteFile(dir.File("z.INI"),
                    "[Prefs Section]\nPosX=100\nPosY=400\ntopx=50\nbottomx=450\n");
    for (int start = 0; start < 3; ++start) {
        auto program = Start();
        const std::string id = x->WaitForWindow("^Zandorelle$");
        ASSERT_FALSE(id.empty()) << program->err();
        ASSERT_TRUE(program->RunsFor(500));
        Type(id, "Escape");
        EXPECT_EQ(program->WaitForExit(5000), 0);
        EXPECT_EQ(SavedRect(), "PosX=100 PosY=400 topx=50 bottomx=450 ");
    }
    // Saved on a second monitor that is no longer there.
    test::WriteFile(dir.File("z.INI"),
                    "[Prefs Section]\nPosX=1500\nPosY=1800\ntopx=50\nbottomx=450\n");
    auto program = Start();
    const std::string id = x->WaitForWindow("^Zandorelle$");
    ASSERT_FALSE(id.empty());
    ASSERT_TRUE(program->RunsFor(500));
    Type(id, "Escape");
    EXPECT_EQ(program->WaitForExit(5000), 0);
    EXPECT_EQ(SavedRect(), "PosX=724 PosY=1024 topx=50 bottomx=450 ")
        << "moved onto the screen, its size kept";
}

TEST_F(WindowManagerTest, TrayModeLivesBehindItsIcon) {
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nSysTray=1\n");
    auto program = Start();
    const std::string icon = TrayIcon();
    ASSERT_FALSE(icon.empty()) << program->err();
    EXPECT_TRUE(program->RunsFor(1500)) << program->err();
    EXPECT_FALSE(x->Visible("^Zandorelle$")) << "starts hidden";

    OpenSpeedMenuAndChoose(icon, "Down");  // "Show ZD window"
    const std::string id = x->WaitForWindow("^Zandorelle$", 5000);
    ASSERT_FALSE(id.empty()) << "shown from the speed menu";
    Type(id, "alt+F4");  // the close box hides it again
    EXPECT_TRUE(WaitUntilHidden("^Zandorelle$"));
    EXPECT_TRUE(program->RunsFor(1000)) << "a close after a show only hides";

    x->XDoTool({"mousemove", "--window", icon, "12", "12", "click", "--repeat", "2", "1"});
    EXPECT_FALSE(x->WaitForWindow("^Zandorelle$", 5000).empty()) << "a double click shows it";
    Type(x->WaitForWindow("^Zandorelle$"), "alt+F4");
    EXPECT_TRUE(WaitUntilHidden("^Zandorelle$"));
    EXPECT_TRUE(program->RunsFor(500));

    OpenSpeedMenuAndChoose(icon, "Up");  // the last item, "Exit"
    EXPECT_EQ(program->WaitForExit(5000), 0) << program->err();
}

TEST_F(WindowManagerTest, TheWindowCanBeMinimisedAndIsOnTheTaskbar) {
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\n");
    auto program = Start();
    const std::string id = x->WaitForWindow("^Zandorelle$");
    ASSERT_FALSE(id.empty()) << program->err();
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%lx", std::stoul(id));
    EXPECT_NE(x->Property("root", "_NET_CLIENT_LIST").find(hex), std::string::npos);
    EXPECT_NE(x->Property(id, "_NET_WM_ALLOWED_ACTIONS").find("_NET_WM_ACTION_MINIMIZE"),
              std::string::npos);
    const std::string type = x->Property(id, "_NET_WM_WINDOW_TYPE");
    EXPECT_NE(type.find("_NET_WM_WINDOW_TYPE_NORMAL"), std::string::npos) << type;
    EXPECT_EQ(type.find("DIALOG"), std::string::npos) << type;
    EXPECT_NE(x->Property(id, "WM_TRANSIENT_FOR").find("not found"), std::string::npos)
        << "a window of its own, not a dialog of another";
    EXPECT_EQ(x->Property(id, "_NET_WM_STATE").find("SKIP_TASKBAR"), std::string::npos);

    x->XDoTool({"windowminimize", "--sync", id});
    EXPECT_NE(x->Property(id, "_NET_WM_STATE").find("_NET_WM_STATE_HIDDEN"), std::string::npos);
    EXPECT_TRUE(program->RunsFor(1000)) << "minimised, not ended";
    x->XDoTool({"windowactivate", "--sync", id});
    EXPECT_TRUE(x->Visible("^Zandorelle$"));
    Type(id, "Escape");
    EXPECT_EQ(program->WaitForExit(5000), 0);
}

TEST_F(WindowManagerTest, TheLogStaysWholeAndCopyingLeavesTheLinkUp) {
    auto program = StartWithNewton(
        {"--greet", "--catch", dir.File("caught"), "--await-bye", "--timeout", "30"});
    const std::string id = window;
    ASSERT_FALSE(id.empty());
    Click(id, Centre(command::kListen));

    const QPoint log = Centre(command::kMessageLog);
    // The whole log, as the user copies it: a click, Ctrl+A, Ctrl+C.
    const auto copyLog = [&] {
        Click(id, log);
        Type(id, "ctrl+a");
        Type(id, "ctrl+c");
        Pause(200);
        return x->Clipboard();
    };
    std::string copied;
    for (int i = 0; i < 50 && copied.find("ZD is now working.\n") == std::string::npos; ++i) {
        Pause(100);
        copied = copyLog();
    }
    ASSERT_NE(copied.find("ZD is now working.\n"), std::string::npos) << copied;

    // A click in the middle of an old line, then new text arrives.
    Click(id, log - QPoint(0, 10));
    test::Subprocess setClipboard(
        x->OnDisplay({"/usr/bin/xclip", "-i", "-selection", "clipboard"}));
    setClipboard.Write("Hej då, Newton!");
    setClipboard.CloseInput();
    setClipboard.WaitForExit(3000);
    Click(id, Centre(command::kPaste));
    for (int i = 0; i < 50 && test::ReadFile(dir.File("caught")).empty(); ++i) Pause(100);
    EXPECT_EQ(test::ReadFile(dir.File("caught")), "Hej d\x8C, Newton!");

    copied = copyLog();
    EXPECT_EQ(copied.rfind("Listening... press 'Connect' on the Zandorelle slip.\n", 0), 0u)
        << copied;
    const size_t working = copied.find("ZD is now working.\n");
    const size_t paste = copied.find("Special Paste.\n");
    ASSERT_NE(paste, std::string::npos) << copied;
    EXPECT_GT(paste, working) << "new text at the end: " << copied;
    EXPECT_EQ(copied.find("Disconnect"), std::string::npos) << "Ctrl+C copied, closed nothing";
    EXPECT_TRUE(newton->RunsFor(200)) << "the link is up";

    Type(id, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
    EXPECT_EQ(newton->WaitForExit(10000), 0) << "the Newton got its goodbye: " << newton->err();
}

}  // namespace
}  // namespace zd
