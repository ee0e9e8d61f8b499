// The real program in a real X session (Xvfb): the Listen button clicked, the
// simulated Newton on a pseudo-terminal greets and pushes an item, and the item
// arrives on the desktop's clipboard.  The window carries the class its menu
// entry names.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <chrono>
#include <thread>

#include "gui/window_manager_fixture.h"

namespace zd {
namespace {

// No window manager: the window is on its own.
class XvfbSessionTest : public WindowManagerTest {
protected:
    void SetUp() override { StartX(false); }

    // Where the Listen button's middle lies in the window, measured on a
    // window built here the same way.
    QPoint ListenButtonCentre() {
        MainWindow window(session);
        auto* button = window.findChild<QAbstractButton*>("1005");
        return button->mapTo(&window, button->rect().center());
    }
};

TEST_F(XvfbSessionTest, ListenClickedAndAnItemArrivesOnTheClipboard) {
    test::WriteFile(dir.File("note"), "Hej fr\x8Cn Newton!");
    test::Subprocess newton({NEWTON_SIM, "--pty", "--greet", "--push", "Note", dir.File("note"),
                             "--await-bye", "--timeout", "20"});
    const std::string pty = test::WaitForSimPty(newton);
    ASSERT_FALSE(pty.empty());
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nSerial0=" + pty + "\n");

    test::Subprocess program(x->OnDisplay({ZD_PROGRAM, "--ini", dir.File("z.INI")}));
    const std::string id = x->WaitForWindow("^Zandorelle$");
    // Now and then, on a busy machine, no window came: what there was instead.
    ASSERT_FALSE(id.empty()) << "the program " << (program.RunsFor(0) ? "runs" : "has ended")
                             << "; the windows named: "
                             << x->XDoTool({"search", "--name", ".", "getwindowname", "%@"})
                             << program.err();
    // The menu entry finds its window by this class.
    EXPECT_EQ(x->Property(id, "WM_CLASS"), "WM_CLASS(STRING) = \"zandorelle\", \"zandorelle\"\n");

    // A second copy leaves the first alone and ends at once, silently.
    test::Subprocess second(x->OnDisplay({ZD_PROGRAM, "--ini", dir.File("z.INI")}));
    EXPECT_EQ(second.WaitForExit(5000), 0);
    EXPECT_EQ(second.err(), "");

    const QPoint listen = ListenButtonCentre();
    x->XDoTool({"mousemove", "--window", id, std::to_string(listen.x()), std::to_string(listen.y()),
                "click", "1"});

    std::string clipboard;
    for (int i = 0; i < 100 && clipboard != "Hej från Newton!"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        clipboard = x->Clipboard();
    }
    EXPECT_EQ(clipboard, "Hej från Newton!") << program.err() << newton.err();

    x->XDoTool({"key", "--window", id, "Escape"});
    EXPECT_EQ(program.WaitForExit(10000), 0) << program.err();
    EXPECT_EQ(newton.WaitForExit(10000), 0) << "the Newton got its goodbye: " << newton.err();
}

}  // namespace
}  // namespace zd
