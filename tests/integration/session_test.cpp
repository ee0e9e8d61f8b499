// A whole session between the headless program and the simulated Newton, as a
// user would have it: the greeting, items to files and to the clipboard, text
// sent both ways, and the Newton's goodbye.  Over a serial line (a
// pseudo-terminal) and over the network.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/loopback.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

class SessionTest : public ::testing::TestWithParam<bool /* over the network */> {
protected:
    test::TempDir dir;
};

TEST_P(SessionTest, AFullSessionAsTheUserSeesIt) {
    const bool network = GetParam();
    const std::string in = dir.File("in");
    std::filesystem::create_directories(in + "/Busy.txt");  // a name that cannot be written
    ::setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
    const std::string unsaved = dir.File("state/zandorelle/unsaved");
    test::WriteFile(dir.File("note1"), "Hej d\x8C!\rFr\x8Ansch \xA5 \xC3");
    test::WriteFile(dir.File("note2"), "http://www.example.com/\r");
    test::WriteFile(dir.File("clip"), "On the clipboard");
    test::WriteFile(dir.File("send.txt"), "Hej\r\nd\xE5");

    std::vector<std::string> sim = {NEWTON_SIM};
    const int32_t port = test::FreeTcpPort();
    if (network) {
        sim.insert(sim.end(), {"--tcp", std::to_string(port), "--plain"});
    } else {
        sim.push_back("--pty");
    }
    sim.insert(sim.end(), {"--greet", "--push", "Note1", dir.File("note1"), "--push", "Link",
                           dir.File("note2"), "--push", "Busy", dir.File("clip"), "--catch",
                           dir.File("caught1"), "--catch", dir.File("caught2"), "--bye"});
    std::string where = "port=-1\nNetPort=" + std::to_string(port) + "\n";
    std::unique_ptr<test::Subprocess> newton;
    if (!network) {
        newton = std::make_unique<test::Subprocess>(sim);
        const std::string pty = test::WaitForSimPty(*newton);
        ASSERT_FALSE(pty.empty());
        where = "port=0\nSerial0=" + pty + "\n";
    }
    test::WriteFile(dir.File("z.INI"),
                    "[Prefs Section]\n" + where + "SaveAsFile=1\nURL=0\nDir=" + in + "\n");

    test::Subprocess program({ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
    program.Write("listen\n");
    ASSERT_TRUE(program.WaitForStderr("Info: Listening\n"));
    if (network) newton = std::make_unique<test::Subprocess>(sim);

    ASSERT_TRUE(program.WaitForStdout("and on the clipboard.\n", 15000))
        << program.out() << newton->err();
    program.Write("clip " + dir.File("clipboard") + "\n");
    program.Write("send " + dir.File("send.txt") + "\n");
    program.Write("paste Hall\xC3\xA5 \xC2\xB7 v\xC3\xA4rlden\n");
    ASSERT_TRUE(program.WaitForStdout("Disconnecting pipe.\n", 15000)) << program.out();
    EXPECT_EQ(newton->WaitForExit(), 0) << newton->err();
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);

    std::string expectedLog = "Listening... press 'Connect' on the Zandorelle slip.\n";
    std::string log = program.out();
    // Where it listens is named once (the headless test checks how).
    const size_t named = log.find("Listening on ");
    ASSERT_NE(named, std::string::npos) << log;
    log.erase(named, log.find('\n', named) + 1 - named);
    if (network) {
        // The network adds who connected, on lines of their own.
        const size_t from = log.find("The Newton sends a plain stream.\n");
        ASSERT_NE(from, std::string::npos) << log;
        const size_t accepting = log.find("Accepting...\n");
        const size_t connection = log.find("Connection from 127.0.0.1:");
        ASSERT_NE(connection, std::string::npos) << log;
        log.erase(connection, log.find('\n', connection) + 1 - connection);
        log.erase(from, accepting - from);
    }
    expectedLog +=
        "Accepting...\n"
        "ZD is now working.\n"
        "Text Saved\n"
        "Text Saved\n"
        "Couldn't save the item in " +
        in + " (Is a directory); kept as " + unsaved +
        "/Busy.txt and on the clipboard.\n"
        "Zandorelling...\n"
        "1\n"
        "2\n"
        "Converting special characters.\n"
        "4\n"
        "Special Paste.\n"
        "Converting special characters.\n"
        "Hit innan krasch.\n"
        "Disconnecting pipe.\n";
    EXPECT_EQ(log, expectedLog);

    EXPECT_EQ(test::ReadFile(in + "/Note1.txt"), "Hej då!\nFränsch · *");
    EXPECT_EQ(test::ReadFile(in + "/Link.txt"), "http://www.example.com/\n");
    EXPECT_EQ(test::ReadFile(dir.File("clipboard")), "On the clipboard");
    EXPECT_EQ(test::ReadFile(unsaved + "/Busy.txt"), "On the clipboard");
    EXPECT_NE(program.err().find("File error: " + in + "/Busy.txt: Is a directory\n"),
              std::string::npos)
        << program.err();
    EXPECT_EQ(program.err().find("Open URL:"), std::string::npos) << "URL is off";
    EXPECT_EQ(test::ReadFile(dir.File("caught1")), "Hej\r\rd\x8C");
    EXPECT_EQ(test::ReadFile(dir.File("caught2")), "Hall\x8C \xA5 v\x8Arlden");
}

TEST(NewtonAfterNewton, TheNextNewtonIsGreetedBeforeAnythingItSendsCounts) {
    test::TempDir dir;
    const std::string port = std::to_string(test::FreeTcpPort());
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=-1\nNetPort=" + port +
                                           "\nSaveAsFile=1\nDir=" + dir.path() + "\n");
    test::Subprocess program({ZD_PROGRAM, "--headless", "--relisten", "--ini", dir.File("z.INI")});
    program.Write("listen\n");
    ASSERT_TRUE(program.WaitForStderr("Info: Listening\n"));
    test::Subprocess first({NEWTON_SIM, "--tcp", port, "--plain", "--greet", "--close"});
    EXPECT_EQ(first.WaitForExit(), 0) << first.err();
    ASSERT_TRUE(program.WaitForStdout("ZD is now working.\n", 10000)) << program.out();
    ASSERT_TRUE(program.WaitForStderr("Info: Listening\n", 10000, 2)) << program.err();

    // Straight to an item once it is taken for a plain stream, as if it had
    // been greeted.
    test::Subprocess second({NEWTON_SIM, "--tcp", port, "--plain", "--sleep", "500", "--send",
                             "#GET;Unbekannt", "--send", "Grüß Gott\x04", "--sleep", "3000"});
    EXPECT_TRUE(program.WaitForStdout("Didn't get '#ID:' response; disconnecting...\n", 10000))
        << program.out();
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_EQ(test::CountOf(program.out(), "ZD is now working.\n"), 1u) << program.out();
    EXPECT_EQ(program.out().find("Transfered"), std::string::npos) << program.out();
    EXPECT_FALSE(std::filesystem::exists(dir.File("Unbekannt.txt")));
}

INSTANTIATE_TEST_SUITE_P(Line, SessionTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Network" : "Serial"; });

}  // namespace
}  // namespace zd
