// The console front end as a user or a script sees it: the real program in a
// child process, a network Newton on loopback.
#include <gtest/gtest.h>

#include <csignal>

#include "support/loopback.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

class HeadlessTest : public ::testing::Test {
protected:
    HeadlessTest() {
        port = test::FreeTcpPort();
        test::WriteFile(dir.File("z.INI"),
                        "[Prefs Section]\nport=-1\nNetPort=" + std::to_string(port) + "\n");
    }

    std::vector<std::string> Command() const {
        return {ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")};
    }

    // Answers the program's greeting as the companion package does.
    static void Greet(test::TcpClient& newton) {
        ASSERT_EQ(newton.Receive(4), "#ID\x04");
        ASSERT_TRUE(newton.Send("#YOOHOO\x04"));
        ASSERT_EQ(newton.Receive(38), "#Unknown;v0.3, Windows 95/NT;DATETIME\x04");
    }

    test::TempDir dir;
    int32_t port = 0;
};

TEST_F(HeadlessTest, ListenConnectAndQuitWithGoodbye) {
    test::Subprocess program(Command());
    ASSERT_TRUE(program.started());
    ASSERT_TRUE(program.WaitForStderr("Info: (no connection)\n"));
    program.Write("listen\n");
    ASSERT_TRUE(program.WaitForStderr("Info: Listening\n")) << program.err();

    test::TcpClient newton;
    ASSERT_TRUE(newton.Connect(port));
    Greet(newton);
    ASSERT_TRUE(program.WaitForStdout("ZD is now working.\n")) << program.out();
    EXPECT_NE(program.err().find("Info: Connected\n"), std::string::npos) << program.err();

    program.Write("quit\n");
    EXPECT_EQ(newton.Receive(5), "#BYE\x04");
    newton.Close();  // the Newton drops the link, as told
    EXPECT_EQ(program.WaitForExit(), 0);
    const std::string log = program.out();
    EXPECT_EQ(log.rfind("Listening... press 'Connect' on the Zandorelle slip.\n"
                        "Listening on 127.0.0.1:" +
                            std::to_string(port) +
                            ".\n"
                            "The Newton sends a plain stream.\n"
                            "Accepting...\n"
                            "Connection from 127.0.0.1:",
                        0),
              0u)
        << log;
    EXPECT_NE(log.find(".\nZD is now working.\nDisconnecting pipe.\n"), std::string::npos) << log;
    EXPECT_EQ(log.find('\r'), std::string::npos) << "line ends are plain newlines";
}

TEST_F(HeadlessTest, UnknownCommandIsNamedAndChangesNothing) {
    test::Subprocess program(Command());
    program.Write("frobnicate now\nstatus\n");
    ASSERT_TRUE(program.WaitForStderr(
        "Unknown command 'frobnicate now'; the commands are: listen, disconnect, status, "
        "send FILE, paste [TEXT], drop TEXT, clip FILE, install FILE..., type TEXT, type-file "
        "FILE, notes [DIR], export [DIR], backup [FILE], quit\n"));
    ASSERT_TRUE(program.WaitForStderr("Status view: open\n"));
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_EQ(program.out(), "");
    EXPECT_NE(test::ReadFile(dir.File("z.INI")).find("\nStatus=1\n"), std::string::npos);
}

TEST_F(HeadlessTest, EndOfInputDoesNotQuitButSigtermDoesInOrder) {
    test::Subprocess program(Command());
    program.Write("listen\n");
    program.CloseInput();
    ASSERT_TRUE(program.WaitForStderr("Info: Listening\n"));
    test::TcpClient newton;
    ASSERT_TRUE(newton.Connect(port));
    Greet(newton);
    ASSERT_TRUE(program.WaitForStdout("ZD is now working.\n"));
    program.Signal(SIGTERM);
    EXPECT_EQ(newton.Receive(5), "#BYE\x04");
    newton.Close();
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_NE(program.out().find("Disconnecting pipe.\n"), std::string::npos);
}

// A serial Newton on a pseudo-terminal: the link comes up, and ends in order
// from either side.
TEST_F(HeadlessTest, SerialNewtonConnectsAndEitherSideEndsTheLink) {
    for (const bool newtonEnds : {false, true}) {
        std::vector<std::string> simArgs = {NEWTON_SIM, "--pty",         "--greet",     "--expect",
                                            "5",        dir.File("bye"), "--wait-close"};
        if (newtonEnds) simArgs = {NEWTON_SIM, "--pty", "--greet", "--sleep", "300", "--close"};
        test::Subprocess sim(simArgs);
        const std::string pty = test::WaitForSimPty(sim);
        ASSERT_FALSE(pty.empty());
        test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nSerial0=" + pty + "\n");

        test::Subprocess program(Command());
        program.Write("listen\n");
        ASSERT_TRUE(program.WaitForStderr("Info: Connected\n")) << program.err();
        ASSERT_TRUE(program.WaitForStdout("ZD is now working.\n")) << program.out();
        if (newtonEnds) {
            EXPECT_TRUE(program.WaitForStderr("Info: Disconnected\n")) << program.err();
            program.Write("quit\n");
        } else {
            program.Write("quit\n");
            EXPECT_EQ(sim.WaitForExit(), 0) << sim.err();
            EXPECT_EQ(test::ReadFile(dir.File("bye")), "#BYE\x04");
        }
        EXPECT_EQ(program.WaitForExit(), 0);
        EXPECT_EQ(sim.WaitForExit(), 0) << sim.err();
    }
}

TEST_F(HeadlessTest, RelistenIsReadyForTheNextNewton) {
    std::vector<std::string> command = Command();
    command.push_back("--relisten");
    test::Subprocess program(command);
    for (size_t visit = 0; visit < 2; ++visit) {
        // A Newton that came back before the program saw it leave would meet
        // the old pipe's port as that pipe ends.
        ASSERT_TRUE(program.WaitForStderr("Info: Listening\n", 5000, visit + 1)) << program.err();
        test::TcpClient newton;
        ASSERT_TRUE(newton.Connect(port)) << "visit " << visit;
        Greet(newton);
        newton.Close();  // the Newton goes away without a word
    }
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
    size_t greetings = 0;
    for (size_t at = 0; (at = program.out().find("ZD is now working.", at)) != std::string::npos;
         ++at) {
        ++greetings;
    }
    EXPECT_EQ(greetings, 2u) << program.out();
}

// The preference file says network; the command line says this device, for
// this run only.
TEST_F(HeadlessTest, DeviceOnTheCommandLineWinsAndTheFileKeepsItsPort) {
    test::Subprocess sim({NEWTON_SIM, "--pty", "--greet", "--await-bye"});
    const std::string pty = test::WaitForSimPty(sim);
    ASSERT_FALSE(pty.empty());
    std::vector<std::string> command = Command();
    command.insert(command.end(), {"--device", pty});
    test::Subprocess program(command);
    program.Write("listen\n");
    ASSERT_TRUE(program.WaitForStdout("ZD is now working.\n", 10000)) << program.out();
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_EQ(sim.WaitForExit(), 0) << sim.err();
    const std::string file = test::ReadFile(dir.File("z.INI"));
    EXPECT_NE(file.find("port=-1\n"), std::string::npos) << file;
    EXPECT_EQ(file.find("Serial0"), std::string::npos) << file;
}

TEST_F(HeadlessTest, OneProgramRunsOnAPreferenceFile) {
    test::Subprocess first(Command());
    ASSERT_TRUE(first.WaitForStderr("Info: (no connection)\n")) << first.err();

    test::Subprocess second(Command());
    EXPECT_EQ(second.WaitForExit(), 1);
    EXPECT_EQ(second.err(), std::string(ZD_PROGRAM) + ": process " + std::to_string(first.pid()) +
                                " already runs on the preference file " + dir.File("z.INI") + "\n");
    // A window on the same file stays silent, as a second window does.
    test::Subprocess window(
        {"/usr/bin/env", "QT_QPA_PLATFORM=offscreen", ZD_PROGRAM, "--ini", dir.File("z.INI")});
    EXPECT_EQ(window.WaitForExit(), 0);
    EXPECT_EQ(window.err(), "");

    first.Write("quit\n");
    EXPECT_EQ(first.WaitForExit(), 0);
    test::Subprocess third(Command());
    EXPECT_TRUE(third.WaitForStderr("Info: (no connection)\n")) << "free once the first ended";
}

TEST_F(HeadlessTest, AWindowWithoutAReachableDisplaySaysSoInOneLine) {
    test::Subprocess program({"/usr/bin/env", "-u", "QT_QPA_PLATFORM", "-u", "WAYLAND_DISPLAY",
                              "DISPLAY=:97", ZD_PROGRAM, "--ini", dir.File("z.INI")});
    EXPECT_EQ(program.WaitForExit(), 2);
    EXPECT_EQ(program.err(),
              "zandorelle: cannot reach the display :97; use --headless to run "
              "without a window\n");
    test::Subprocess none({"/usr/bin/env", "-u", "QT_QPA_PLATFORM", "-u", "WAYLAND_DISPLAY", "-u",
                           "DISPLAY", ZD_PROGRAM, "--ini", dir.File("z.INI")});
    EXPECT_EQ(none.WaitForExit(), 2);
    EXPECT_NE(none.err().find("use --headless"), std::string::npos) << none.err();
}

TEST_F(HeadlessTest, HelpVersionAndMistakes) {
    test::Subprocess program({ZD_PROGRAM, "--help"});
    EXPECT_EQ(program.WaitForExit(), 0);
    for (const char* option : {"--headless", "--ini FILE", "--port N|network", "--device PATH",
                               "--relisten", "--version"}) {
        EXPECT_NE(program.out().find(option), std::string::npos) << option;
    }
    test::Subprocess version({ZD_PROGRAM, "--version"});
    EXPECT_EQ(version.WaitForExit(), 0);
    EXPECT_EQ(version.out().rfind("zandorelle ", 0), 0u) << version.out();

    test::Subprocess wrong({ZD_PROGRAM, "--port", "modem"});
    EXPECT_EQ(wrong.WaitForExit(), 2);
    EXPECT_EQ(wrong.err(), std::string(ZD_PROGRAM) +
                               ": --port takes 0, 1, 2, 3 or network, not 'modem' (see " +
                               ZD_PROGRAM + " --help)\n");

    test::Subprocess simHelp({NEWTON_SIM, "--help"});
    EXPECT_EQ(simHelp.WaitForExit(), 0);
    EXPECT_EQ(simHelp.out().rfind("Usage: newton-sim", 0), 0u) << simHelp.out();
}

}  // namespace
}  // namespace zd
