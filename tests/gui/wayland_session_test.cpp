// The window in a Wayland session that has XWayland, as GNOME and KDE start
// them: weston (headless) is the compositor, Xvfb stands in for XWayland.
// The window comes up on X11, where the clipboard works without the focus and
// the placement is ours, unless the user names the Wayland platform; there an
// item the compositor will not put on the clipboard is kept as a file.
#include <gtest/gtest.h>
#include <unistd.h>

#include "gui/window_manager_fixture.h"

namespace zd {
namespace {

constexpr const char* kSocket = "wayland-zd-test";

class WaylandSessionTest : public WindowManagerTest {
protected:
    void SetUp() override {
        if (::access("/usr/bin/weston", X_OK) != 0)
            GTEST_SKIP() << "weston is not installed; make test installs it";
        StartX(false);
        if (IsSkipped() || HasFatalFailure()) return;
        compositor = std::make_unique<test::Subprocess>(std::vector<std::string>{
            "/usr/bin/env", "XDG_RUNTIME_DIR=" + dir.path(), "/usr/bin/weston",
            "--backend=headless-backend.so", "--socket=" + std::string(kSocket), "--idle-time=0"});
        for (int i = 0; i < 100 && ::access(dir.File(kSocket).c_str(), F_OK) != 0; ++i) Pause(50);
        ASSERT_EQ(::access(dir.File(kSocket).c_str(), F_OK), 0) << compositor->err();
        test::WriteFile(dir.File("z.INI"), "[Prefs Section]\n");
    }
    void TearDown() override {
        if (compositor) compositor->Signal(SIGTERM);
    }

    // The program in the Wayland session, with `platform` as QT_QPA_PLATFORM
    // when it is not empty; the Wayland requests it makes go to its stderr.
    std::unique_ptr<test::Subprocess> StartInSession(const std::string& platform) {
        std::vector<std::string> argv = {"/usr/bin/env", "WAYLAND_DISPLAY=" + std::string(kSocket),
                                         "XDG_SESSION_TYPE=wayland", "WAYLAND_DEBUG=client",
                                         "XDG_STATE_HOME=" + dir.File("state")};
        if (!platform.empty()) argv.push_back("QT_QPA_PLATFORM=" + platform);
        argv.insert(argv.end(), {ZD_PROGRAM, "--ini", dir.File("z.INI")});
        return std::make_unique<test::Subprocess>(x->OnDisplay(argv));
    }

    std::unique_ptr<test::Subprocess> compositor;
};

TEST_F(WaylandSessionTest, TheWindowOpensOnXByDefault) {
    auto program = StartInSession("");
    const std::string id = x->WaitForWindow("^Zandorelle$");
    ASSERT_FALSE(id.empty()) << program->err();
    EXPECT_TRUE(program->RunsFor(300));
    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(5000), 0);
    EXPECT_EQ(program->err().find("xdg_toplevel"), std::string::npos) << program->err();
}

TEST_F(WaylandSessionTest, TheWindowOpensOnWaylandWhenTheUserAsks) {
    auto program = StartInSession("wayland");
    EXPECT_TRUE(program->WaitForStderr("set_title(\"Zandorelle\")", 10000)) << program->err();
    EXPECT_TRUE(program->RunsFor(500));
    EXPECT_FALSE(x->Visible("^Zandorelle$")) << "no X window";
    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(5000), 0);
}

TEST_F(WaylandSessionTest, OnWaylandAnItemThatMissesTheClipboardIsKept) {
    test::WriteFile(dir.File("note"), "Hej fr\x8Cn Newton!");
    newton = std::make_unique<test::Subprocess>(
        std::vector<std::string>{NEWTON_SIM, "--pty", "--greet", "--push", "Note", dir.File("note"),
                                 "--await-bye", "--timeout", "20"});
    const std::string pty = test::WaitForSimPty(*newton);
    ASSERT_FALSE(pty.empty());
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nlisten=1\nSerial0=" + pty + "\n");
    // The headless compositor gives no window the focus, as a hidden one has none.
    auto program = StartInSession("wayland");
    const std::string kept = dir.File("state/zandorelle/unsaved/Note.txt");
    for (int i = 0; i < 100 && test::ReadFile(kept).empty(); ++i) Pause(100);
    EXPECT_EQ(test::ReadFile(kept), "Hej från Newton!");
    program->Signal(SIGTERM);
    // The goodbye and the Newton's leave take up to four seconds on a busy machine.
    EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
    EXPECT_EQ(newton->WaitForExit(5000), 0) << newton->err();
}

}  // namespace
}  // namespace zd
