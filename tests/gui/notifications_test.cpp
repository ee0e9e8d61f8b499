// Desktop notifications as a user under icewm meets them, with a session bus
// and a notification service of the test's own: an item that arrives while
// another window is active is told, one that arrives while ours is active is
// not, five quick ones are told as one counted notification, a click brings
// the window back from the tray, two items for the clipboard are both kept
// and named, a backup the Newton's user asked for says where it went, and the
// preference Notify=0 keeps them all.
#include <gtest/gtest.h>

#include <filesystem>

#include "gui/window_manager_fixture.h"
#include "support/dbus_session.h"

namespace zd {
namespace {

namespace fs = std::filesystem;

class NotificationsTest : public WindowManagerTest {
protected:
    void SetUp() override {
        WindowManagerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!bus.missing().empty()) GTEST_SKIP() << bus.missing();
        ASSERT_EQ(bus.error(), "");
        fs::create_directories(dir.File("in"));
    }
    // The notification service, clicking each notification when `click`.
    void StartServer(bool click) {
        std::vector<std::string> argv{"/usr/bin/python3",
                                      ZD_DESKTOP_TESTS "/notification_server.py"};
        if (click) argv.push_back("--click");
        server = std::make_unique<test::Subprocess>(bus.OnBus(argv));
        ASSERT_TRUE(server->WaitForStdout("serving\n")) << server->err();
    }
    // newton-sim pushing items on `steps`, and the program listening for it.
    std::unique_ptr<test::Subprocess> StartProgram(const std::vector<std::string>& steps,
                                                   const std::string& prefs) {
        std::vector<std::string> sim{NEWTON_SIM, "--pty", "--timeout", "60", "--greet"};
        sim.insert(sim.end(), steps.begin(), steps.end());
        newton = std::make_unique<test::Subprocess>(sim);
        const std::string pty = test::WaitForSimPty(*newton);
        EXPECT_FALSE(pty.empty());
        test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nlisten=1\nSerial0=" + pty +
                                               "\nDir=" + dir.File("in") + "\n" + prefs);
        return std::make_unique<test::Subprocess>(
            x->OnDisplay(bus.OnBus({ZD_PROGRAM, "--ini", dir.File("z.INI")})));
    }
    std::vector<std::string> Items(std::vector<std::string> names) {
        std::vector<std::string> steps;
        for (const std::string& name : names) {
            test::WriteFile(dir.File(name), "Anteckning " + name);
            steps.insert(steps.end(), {"--push", name, dir.File(name)});
        }
        return steps;
    }
    bool Arrived(const std::string& name) {
        for (int i = 0; i < 100 && !fs::exists(dir.File("in/" + name + ".txt")); ++i) Pause(100);
        return fs::exists(dir.File("in/" + name + ".txt"));
    }

    test::DBusSession bus;
    std::unique_ptr<test::Subprocess> server;
};

TEST_F(NotificationsTest, WhileAnotherWindowIsActiveArrivalsAreToldAndCounted) {
    StartServer(false);
    test::Subprocess other(x->OnDisplay({"/usr/bin/xmessage", "another window"}));
    const std::string elsewhere = x->WaitForWindow("^xmessage$");
    ASSERT_FALSE(elsewhere.empty());
    std::vector<std::string> steps{"--sleep", "4000"};
    for (const auto& part :
         {Items({"A"}), std::vector<std::string>{"--sleep", "3000"}, Items({"B"}),
          std::vector<std::string>{"--sleep", "3000"}, Items({"C", "D", "E", "F", "G"})}) {
        steps.insert(steps.end(), part.begin(), part.end());
    }
    steps.push_back("--await-bye");
    auto program = StartProgram(steps, "SaveAsFile=1\n");
    const std::string ours = x->WaitForWindow("^Zandorelle$");
    ASSERT_FALSE(ours.empty()) << program->err();
    x->XDoTool({"windowactivate", "--sync", elsewhere});

    EXPECT_TRUE(server->WaitForStdout("notify Note saved: A|In " + dir.File("in") + "\n", 15000))
        << server->out();
    x->XDoTool({"windowactivate", "--sync", ours});
    ASSERT_TRUE(Arrived("B"));
    Pause(1500);
    EXPECT_EQ(server->out().find("Note saved: B"), std::string::npos)
        << "none while the window is active";

    x->XDoTool({"windowactivate", "--sync", elsewhere});
    EXPECT_TRUE(
        server->WaitForStdout("notify 5 items from the Newton|Note saved: C; Note saved: "
                              "D; Note saved: E; …\n",
                              15000))
        << server->out();
    Pause(1500);
    EXPECT_EQ(test::CountOf(server->out(), "notify "), 2u) << server->out();

    x->XDoTool({"windowactivate", "--sync", ours});
    Type(ours, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
}

TEST_F(NotificationsTest, AClickBringsTheWindowBackFromTheTray) {
    StartServer(true);
    auto program = StartProgram(Items({"Klipp"}), "SysTray=1\n");
    EXPECT_FALSE(TrayIcon().empty());
    EXPECT_TRUE(server->WaitForStdout("notify Klipp on the clipboard|From the Newton\n", 15000))
        << server->out();
    EXPECT_FALSE(x->WaitForWindow("^Zandorelle$", 5000).empty()) << "the click showed it";
    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
}

TEST_F(NotificationsTest, TwoItemsForTheClipboardKeepTheFirstAsAFile) {
    StartServer(false);
    ::setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
    auto program = StartProgram(Items({"Ett", "Andra"}), "SysTray=1\n");
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_TRUE(
        server->WaitForStdout("notify 2 items from the Newton|Ett on the clipboard; "
                              "Ett kept as a file; Andra on the clipboard\n",
                              15000))
        << server->out();
    EXPECT_EQ(test::ReadFile(dir.File("state/zandorelle/unsaved/Ett.txt")), "Anteckning Ett");
    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
}

TEST_F(NotificationsTest, ABackupTheNewtonsUserAskedForSaysWhereItWent) {
    StartServer(false);
    fs::create_directories(dir.File("notes"));
    test::WriteFile(dir.File("notes/1.txt"), "Möte i Malmö\n");
    newton = std::make_unique<test::Subprocess>(std::vector<std::string>{
        NEWTON_SIM, "--pty", "--timeout", "60", "--notes", dir.File("notes"), "--tap-backup"});
    const std::string pty = test::WaitForSimPty(*newton);
    ASSERT_FALSE(pty.empty());
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nlisten=1\nSysTray=1\nSerial0=" +
                                           pty + "\nDir=" + dir.File("in") + "\n");
    auto program = std::make_unique<test::Subprocess>(
        x->OnDisplay(bus.OnBus({ZD_PROGRAM, "--ini", dir.File("z.INI")})));
    ASSERT_TRUE(server->WaitForStdout("notify The Newton is backed up|", 30000)) << server->out();
    std::vector<std::string> backups;
    for (const auto& entry : fs::directory_iterator(dir.File("in")))
        backups.push_back(entry.path().string());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_TRUE(server->WaitForStdout("notify The Newton is backed up|" + backups[0] + "\n"))
        << server->out();
    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
}

TEST_F(NotificationsTest, NotifyOffKeepsThemAll) {
    StartServer(false);
    auto program = StartProgram(Items({"Tyst"}), "SysTray=1\nSaveAsFile=1\nNotify=0\n");
    ASSERT_TRUE(Arrived("Tyst"));
    Pause(1500);
    EXPECT_EQ(server->out().find("notify"), std::string::npos) << server->out();
    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
}

}  // namespace
}  // namespace zd
