// The real program in a real X session (Xvfb): the Listen button clicked, the
// simulated Newton on a pseudo-terminal greets and pushes an item, and the item
// arrives on the desktop's clipboard.  The window carries the class its menu
// entry names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <chrono>
#include <random>
#include <thread>

#include "app/main_window.h"
#include "support/link_fixture.h"
#include "support/subprocess.h"

namespace zd {
namespace {

bool Installed(const char* tool) {
    const std::string path = std::string("/usr/bin/") + tool;
    return ::access(path.c_str(), X_OK) == 0;
}

// Runs a short command to its end; its standard output.
std::string RunTool(const std::vector<std::string>& argv) {
    test::Subprocess command(argv);
    command.WaitForExit(5000);
    return command.out();
}

class XvfbSessionTest : public test::LinkFixture {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xdotool", "xclip", "xdpyinfo", "xprop"}) {
            if (!Installed(tool))
                GTEST_SKIP() << tool << " is not installed; make test installs it";
        }
        display = ":" + std::to_string(50 + std::random_device()() % 40);
        xvfb = std::make_unique<test::Subprocess>(std::vector<std::string>{
            "/usr/bin/Xvfb", display, "-screen", "0", "640x480x24", "-nolisten", "tcp"});
        for (int i = 0; i < 100; ++i) {
            if (!RunTool({"/usr/bin/xdpyinfo", "-display", display}).empty()) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        GTEST_SKIP() << "Xvfb did not start on " << display;
    }

    // Runs `argv` in the X session.
    std::vector<std::string> OnDisplay(std::vector<std::string> argv) const {
        argv.insert(argv.begin(), {"/usr/bin/env", "-u", "QT_QPA_PLATFORM", "DISPLAY=" + display,
                                   "XDG_RUNTIME_DIR=" + dir.path()});
        return argv;
    }

    // Where the Listen button's middle lies in the window, measured on a
    // window built here the same way.
    QPoint ListenButtonCentre() {
        MainWindow window(session);
        auto* button = window.findChild<QAbstractButton*>("1005");
        return button->mapTo(&window, button->rect().center());
    }

    std::string display;
    std::unique_ptr<test::Subprocess> xvfb;
};

TEST_F(XvfbSessionTest, ListenClickedAndAnItemArrivesOnTheClipboard) {
    ::chmod(dir.path().c_str(), 0700);
    test::WriteFile(dir.File("note"), "Hej fr\x8Cn Newton!");
    test::Subprocess newton({NEWTON_SIM, "--pty", "--greet", "--push", "Note", dir.File("note"),
                             "--await-bye", "--timeout", "20"});
    const std::string pty = test::WaitForSimPty(newton);
    ASSERT_FALSE(pty.empty());
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nSerial0=" + pty + "\n");

    test::Subprocess program(OnDisplay({ZD_PROGRAM, "--ini", dir.File("z.INI")}));
    const std::string window =
        RunTool(OnDisplay({"/usr/bin/timeout", "10", "/usr/bin/xdotool", "search", "--sync",
                           "--onlyvisible", "--name", "^Zandorelle$"}));
    ASSERT_FALSE(window.empty()) << program.err();
    const std::string id = window.substr(0, window.find('\n'));
    // The menu entry finds its window by this class.
    EXPECT_EQ(RunTool(OnDisplay({"/usr/bin/xprop", "-id", id, "WM_CLASS"})),
              "WM_CLASS(STRING) = \"zandorelle\", \"zandorelle\"\n");

    // A second copy leaves the first alone and ends at once, silently.
    test::Subprocess second(OnDisplay({ZD_PROGRAM, "--ini", dir.File("z.INI")}));
    EXPECT_EQ(second.WaitForExit(5000), 0);
    EXPECT_EQ(second.err(), "");

    const QPoint listen = ListenButtonCentre();
    RunTool(OnDisplay({"/usr/bin/xdotool", "mousemove", "--window", id, std::to_string(listen.x()),
                       std::to_string(listen.y()), "click", "1"}));

    std::string clipboard;
    for (int i = 0; i < 100 && clipboard != "Hej från Newton!"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        clipboard = RunTool(OnDisplay({"/usr/bin/xclip", "-o", "-selection", "clipboard"}));
    }
    EXPECT_EQ(clipboard, "Hej från Newton!") << program.err() << newton.err();

    RunTool(OnDisplay({"/usr/bin/xdotool", "key", "--window", id, "Escape"}));
    EXPECT_EQ(program.WaitForExit(10000), 0) << program.err();
    EXPECT_EQ(newton.WaitForExit(10000), 0) << "the Newton got its goodbye: " << newton.err();
}

}  // namespace
}  // namespace zd
