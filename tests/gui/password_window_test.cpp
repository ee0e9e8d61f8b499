// A Newton with a Connection password, met in the real window under icewm:
// the dialog asks at once, before a try of the Newton's is spent, and the
// password typed into it opens the Newton; Cancel ends the connection; and with a keyring on the
// session bus (GNOME Keyring, on a bus of the test's own) a password remembered once opens the
// Newton the next time without a question, and is nowhere in the preference file.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <filesystem>

#include "gui/window_manager_fixture.h"
#include "support/dbus_session.h"

namespace zd {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPassword = "hemligt 42";
constexpr const char* kDialog = "Connection password$";

class PasswordWindowTest : public WindowManagerTest {
protected:
    void SetUp() override {
        WindowManagerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        fs::create_directories(dir.File("on-the-newton"));
        test::WriteFile(dir.File("on-the-newton/1.txt"), "Hemligt\n");
    }
    // newton-sim with the password, on a pseudo-terminal the window listens on.
    std::unique_ptr<test::Subprocess> Start(std::vector<std::string> program) {
        newton = std::make_unique<test::Subprocess>(
            std::vector<std::string>{NEWTON_SIM, "--pty", "--timeout", "30", "--password",
                                     kPassword, "--connection", dir.File("typed")});
        const std::string pty = test::WaitForSimPty(*newton);
        EXPECT_FALSE(pty.empty());
        test::WriteFile(dir.File("z.INI"),
                        "[Prefs Section]\nport=0\nlisten=1\nSerial0=" + pty + "\n");
        auto started = std::make_unique<test::Subprocess>(x->OnDisplay(program));
        window = x->WaitForWindow("^Zandorelle$");
        EXPECT_FALSE(window.empty()) << started->err();
        return started;
    }
    // Types `password` into the dialog once it shows, ticking the box when
    // `remember`, and presses Return.
    bool Answer(const std::string& password, bool remember) {
        const std::string dialog = x->WaitForWindow(kDialog, 15000);
        if (dialog.empty()) return false;
        Pause(300);
        x->XDoTool({"windowactivate", "--sync", dialog, "type", "--delay", "50", password});
        if (remember) x->XDoTool({"key", "Tab", "space"});
        x->XDoTool({"key", "Return"});
        return WaitUntilHidden(kDialog);
    }
    bool NewtonTook(int answer) {
        return newton->WaitForStderr("took password answer " + std::to_string(answer), 10000);
    }
};

TEST_F(PasswordWindowTest, ThePasswordTypedInTheDialogOpensTheNewtonAndCancelEndsIt) {
    auto program = Start({ZD_PROGRAM, "--ini", dir.File("z.INI")});
    QElapsedTimer asked;
    asked.start();
    ASSERT_FALSE(x->WaitForWindow(kDialog, 15000).empty());
    EXPECT_LT(asked.elapsed(), 2000) << "asked at once, not after a wait for the keyring";
    ASSERT_TRUE(Answer(kPassword, false));
    EXPECT_TRUE(NewtonTook(1)) << "the first answer is the user's: " << newton->err();
    Type(window, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0);
    EXPECT_EQ(test::ReadFile(dir.File("z.INI")).find(kPassword), std::string::npos);

    program = Start({ZD_PROGRAM, "--ini", dir.File("z.INI")});
    const std::string dialog = x->WaitForWindow(kDialog, 15000);
    ASSERT_FALSE(dialog.empty());
    x->XDoTool({"windowactivate", "--sync", dialog, "key", "Escape"});
    EXPECT_TRUE(newton->WaitForStderr("the desktop gave up after 0 password answers", 10000))
        << newton->err();
    EXPECT_TRUE(program->RunsFor(300)) << "the window lives on";
    Type(window, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0);
}

TEST_F(PasswordWindowTest, ARememberedPasswordOpensTheNewtonWithoutAQuestion) {
    test::DBusSession bus;
    if (!bus.missing().empty()) GTEST_SKIP() << bus.missing();
    ASSERT_EQ(bus.error(), "");
    if (!fs::exists("/usr/bin/gnome-keyring-daemon")) GTEST_SKIP() << "no gnome-keyring-daemon";
    // A login keyring of the test's own.
    const std::vector<std::string> home{"/usr/bin/env", "HOME=" + dir.path(),
                                        "XDG_DATA_HOME=" + dir.File("data")};
    std::vector<std::string> daemon = home;
    daemon.insert(daemon.end(), {"/usr/bin/gnome-keyring-daemon", "--foreground", "--unlock",
                                 "--components=secrets"});
    test::Subprocess keyring(bus.OnBus(daemon));
    keyring.Write("nyckel");  // the keyring's own password, which unlocks it
    keyring.CloseInput();
    for (int i = 0; i < 50; ++i) {
        if (bus.Call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                     "org.freedesktop.DBus.NameHasOwner", {"org.freedesktop.secrets"})
                .find("true") != std::string::npos)
            break;
        Pause(100);
    }
    std::vector<std::string> program = home;
    program.insert(program.end(), {ZD_PROGRAM, "--ini", dir.File("z.INI")});

    auto first = Start(bus.OnBus(program));
    ASSERT_TRUE(Answer(kPassword, true));
    EXPECT_TRUE(NewtonTook(1)) << newton->err();
    Pause(1000);  // the keyring has it once the Newton took it
    Type(window, "Escape");
    EXPECT_EQ(first->WaitForExit(10000), 0);

    auto second = Start(bus.OnBus(program));
    EXPECT_TRUE(NewtonTook(1)) << newton->err();
    EXPECT_TRUE(WaitUntilHidden(kDialog)) << "a question the keyring answered goes away";
    Type(window, "Escape");
    EXPECT_EQ(second->WaitForExit(10000), 0);
    EXPECT_EQ(test::ReadFile(dir.File("z.INI")).find(kPassword), std::string::npos);
}

}  // namespace
}  // namespace zd
