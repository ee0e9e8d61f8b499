// A new user's first minutes with the real window under icewm: the status
// view toggled twice gives the same window back at any size, a start in tray
// mode shows the window where and as large as it was, and a Newton calling
// from another machine is asked about and, always allowed, remembered.
#include <gtest/gtest.h>

#include <filesystem>

#include "gui/window_manager_fixture.h"

namespace zd {
namespace {

namespace fs = std::filesystem;

TEST_F(WindowManagerTest, TheStatusViewToggledTwiceGivesTheSameWindowBackAtAnySize) {
    for (const char* rect : {"", "PosX=100\nPosY=660\ntopx=50\nbottomx=570\n"}) {
        test::WriteFile(dir.File("z.INI"), std::string("[Prefs Section]\n") + rect);
        auto program = Start();
        window = x->WaitForWindow("^Zandorelle$");
        ASSERT_FALSE(window.empty()) << program->err();
        ASSERT_TRUE(program->RunsFor(500));
        Type(window, "Escape");
        ASSERT_EQ(program->WaitForExit(5000), 0);
        const std::string before = SavedRect();

        program = Start();
        window = x->WaitForWindow("^Zandorelle$");
        ASSERT_TRUE(program->RunsFor(500));
        for (int toggle = 0; toggle < 2; ++toggle) {
            Type(window, "alt+f");
            Pause(300);
            x->XDoTool({"key", "s"});  // "&Status View"
            Pause(300);
        }
        Type(window, "Escape");
        ASSERT_EQ(program->WaitForExit(5000), 0);
        EXPECT_EQ(SavedRect(), before) << rect;
    }
}

TEST_F(WindowManagerTest, ATrayStartShowsTheWindowWhereAndAsLargeAsItWas) {
    test::WriteFile(dir.File("z.INI"),
                    "[Prefs Section]\nSysTray=1\nPosX=100\nPosY=660\ntopx=50\nbottomx=570\n");
    auto program = Start();
    const std::string icon = TrayIcon();
    ASSERT_FALSE(icon.empty()) << program->err();
    x->XDoTool({"mousemove", "--window", icon, "12", "12", "click", "--repeat", "2", "1"});
    window = x->WaitForWindow("^Zandorelle$");
    ASSERT_FALSE(window.empty());
    Pause(500);
    x->XDoTool({"windowactivate", "--sync", window, "key", "alt+F4"});  // back to the tray
    ASSERT_TRUE(WaitUntilHidden("^Zandorelle$"));
    EXPECT_EQ(SavedRect(), "PosX=100 PosY=660 topx=50 bottomx=570 ");
    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(10000), 0);
}

TEST_F(WindowManagerTest, ANewtonFromAnotherMachineIsAskedAboutAndRemembered) {
    test::Subprocess probe({"/usr/bin/unshare", "-rn", "/bin/true"});
    if (probe.WaitForExit(5000) != 0) GTEST_SKIP() << "no network namespace of our own here";
    fs::create_directories(dir.File("in"));
    test::WriteFile(dir.File("item"), "Hej fr\x8Cn n\x8Atet");  // Mac OS Roman
    test::WriteFile(dir.File("z.INI"),
                    "[Prefs Section]\nport=-1\nNetAddress=0.0.0.0\n"
                    "NetPort=3679\nlisten=1\nSaveAsFile=1\nURL=0\nDir=" +
                        dir.File("in") + "\n");
    auto program = std::make_unique<test::Subprocess>(x->OnDisplay(
        {"/usr/bin/unshare", "-rn", OWN_NETWORK, dir.File("sim.log"), NEWTON_SIM, "--tcp",
         "10.9.9.1:3679", "--plain", "--timeout", "20", "--greet", "--push", "Natet",
         dir.File("item"), "--bye", "--", ZD_PROGRAM, "--ini", dir.File("z.INI")}));
    const std::string question = x->WaitForWindow("^A Newton on the network$", 15000);
    ASSERT_FALSE(question.empty()) << program->err();
    Pause(300);
    x->XDoTool({"windowactivate", "--sync", question, "key", "alt+a"});  // "&Always allow"
    for (int i = 0; i < 100 && !fs::exists(dir.File("in/Natet.txt")); ++i) Pause(100);
    EXPECT_EQ(test::ReadFile(dir.File("in/Natet.txt")), "Hej från nätet");
    EXPECT_NE(test::ReadFile(dir.File("z.INI")).find("NetAllow=10.9.9.1\n"), std::string::npos);
    window = x->WaitForWindow("^Zandorelle$");
    Type(window, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
}

TEST_F(WindowManagerTest, TheNetworkQuestionTakesNoFocusAndRefusesByDefault) {
    test::Subprocess probe({"/usr/bin/unshare", "-rn", "/bin/true"});
    if (probe.WaitForExit(5000) != 0) GTEST_SKIP() << "no network namespace of our own here";
    fs::create_directories(dir.File("in"));
    test::WriteFile(dir.File("item"), "Okänd");
    test::WriteFile(dir.File("z.INI"),
                    "[Prefs Section]\nport=-1\nNetAddress=0.0.0.0\n"
                    "NetPort=3679\nlisten=1\nSaveAsFile=1\nURL=0\nDir=" +
                        dir.File("in") + "\n");
    // The stranger calls four seconds after the start, while the user types elsewhere.
    auto program = std::make_unique<test::Subprocess>(x->OnDisplay({"/usr/bin/unshare",
                                                                    "-rn",
                                                                    OWN_NETWORK,
                                                                    dir.File("sim.log"),
                                                                    "/bin/sh",
                                                                    "-c",
                                                                    "sleep 3; exec \"$0\" \"$@\"",
                                                                    NEWTON_SIM,
                                                                    "--tcp",
                                                                    "10.9.9.1:3679",
                                                                    "--plain",
                                                                    "--timeout",
                                                                    "20",
                                                                    "--greet",
                                                                    "--push",
                                                                    "Okand",
                                                                    dir.File("item"),
                                                                    "--bye",
                                                                    "--",
                                                                    ZD_PROGRAM,
                                                                    "--ini",
                                                                    dir.File("z.INI")}));
    window = x->WaitForWindow("^Zandorelle$");
    ASSERT_FALSE(window.empty()) << program->err();
    test::Subprocess other(x->OnDisplay({"/usr/bin/xmessage", "another program"}));
    const std::string elsewhere = x->WaitForWindow("^xmessage$");
    ASSERT_FALSE(elsewhere.empty());
    x->XDoTool({"windowactivate", "--sync", elsewhere});
    Pause(5000);  // the stranger has called
    EXPECT_FALSE(x->Visible("^A Newton on the network$")) << "no question over another program";
    EXPECT_EQ(x->XDoTool({"getactivewindow"}).substr(0, elsewhere.size()), elsewhere);
    x->XDoTool({"windowactivate", "--sync", window});  // the user comes
    const std::string question = x->WaitForWindow("^A Newton on the network$", 5000);
    ASSERT_FALSE(question.empty()) << "asked once the user came";
    x->XDoTool({"windowactivate", "--sync", question, "key", "Return"});
    EXPECT_TRUE(WaitUntilHidden("^A Newton on the network$"));
    Pause(1500);
    EXPECT_FALSE(fs::exists(dir.File("in/Okand.txt"))) << "a Return refused it";
    EXPECT_EQ(test::ReadFile(dir.File("z.INI")).find("NetAllow=10"), std::string::npos);
    Type(window, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
}

}  // namespace
}  // namespace zd
