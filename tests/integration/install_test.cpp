// Packages installed through the Newton's Connection application, played by
// newton-sim: over a serial line, an emulator's MNP over TCP and a network
// Newton's plain TCP, each package arriving byte for byte; a refusal, a Newton
// that vanishes, a file that is no package, quitting in the middle, and the
// companion package served on the next connection.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "support/sim_newton.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

using Clock = std::chrono::steady_clock;

using test::Line;

class InstallTest : public ::testing::Test {
protected:
    InstallTest() { std::filesystem::create_directories(dir.File("got")); }

    // A package of `size` bytes, its name `name`.
    std::string Package(const std::string& name, size_t size) {
        std::mt19937 random(static_cast<unsigned>(size));
        std::string bytes = size % 2 ? "package1" : "package0";
        while (bytes.size() < size) bytes += static_cast<char>(random());
        bytes.resize(size);
        test::WriteFile(dir.File(name), bytes);
        return dir.File(name);
    }

    // newton-sim as the Newton's Connection on `line`, with `extra` options,
    // and the preference file that finds it.
    void PrepareNewton(test::Line line, std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), {"--timeout", "60"});
        extra.insert(extra.end(), {"--dock", dir.File("got")});
        newton = std::make_unique<test::SimNewton>(line, extra, dir.File("z.INI"));
    }
    std::vector<std::string> Command(std::vector<std::string> args) {
        std::vector<std::string> command{ZD_PROGRAM, "--ini", dir.File("z.INI")};
        command.insert(command.end(), args.begin(), args.end());
        return command;
    }

    test::TempDir dir;
    std::unique_ptr<test::SimNewton> newton;
};

class EveryLine : public InstallTest, public ::testing::WithParamInterface<Line> {};

TEST_P(EveryLine, ThreePackagesArriveByteForByte) {
    // 2008 bytes make a message of eight whole MNP frames.
    const std::vector<std::pair<std::string, size_t>> packages = {
        {"Notes Plus.pkg", 1024}, {"tiny.pkg", 700}, {"Frames.pkg", 2008}, {"Big.pkg", 256 * 1024}};
    std::vector<std::string> files;
    for (const auto& [name, size] : packages) files.push_back(Package(name, size));
    PrepareNewton(GetParam());
    std::vector<std::string> args{"--install"};
    args.insert(args.end(), files.begin(), files.end());
    test::Subprocess program(Command(args));
    newton->StartWhenListening(program);
    EXPECT_EQ(program.WaitForExit(30000), 0) << program.out() << program.err();
    EXPECT_EQ(newton->process().WaitForExit(10000), 0) << newton->process().err();
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_TRUE(test::ReadFile(dir.File("got/package-" + std::to_string(i + 1) + ".pkg")) ==
                    test::ReadFile(files[i]))
            << packages[i].first;
    }
    const std::string& log = program.out();
    EXPECT_NE(log.find("Open Connection on the Newton and tap Connect.\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("Connected to Åsa Ørnskjöld's Newton.\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Installing Notes Plus.pkg (1024 bytes)…\nInstalled Notes Plus.pkg.\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("#ID"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Lines, EveryLine,
                         ::testing::Values(Line::kSerial, Line::kEmulator, Line::kNetwork),
                         [](const auto& info) { return test::LineName(info.param); });

TEST_F(InstallTest, ARefusedPackageIsNamedAndTheExitStatusIsOne) {
    const std::string first = Package("one.pkg", 1000), second = Package("two.pkg", 1200);
    PrepareNewton(Line::kSerial, {"--refuse", "2", "-10401"});
    test::Subprocess program(Command({"--install", first, second}));
    EXPECT_EQ(program.WaitForExit(30000), 1);
    EXPECT_NE(program.out().find("Installed one.pkg.\n"), std::string::npos) << program.out();
    EXPECT_NE(program.out().find("The Newton refused two.pkg (error -10401).\n"), std::string::npos)
        << program.out();
    EXPECT_NE(program.err().find("zandorelle: not every package was installed"), std::string::npos)
        << program.err();
}

TEST_F(InstallTest, ANewtonSlowToAnswerIsWaitedFor) {
    PrepareNewton(Line::kSerial, {"--result-delay", "6000"});
    const auto start = Clock::now();
    test::Subprocess program(Command({"--install", Package("Patience.pkg", 4000)}));
    EXPECT_EQ(program.WaitForExit(30000), 0) << program.out();
    EXPECT_GE(Clock::now() - start, std::chrono::seconds(6)) << "longer than a read timeout";
    EXPECT_NE(program.out().find("Installed Patience.pkg.\n"), std::string::npos) << program.out();
}

TEST_F(InstallTest, WhatIsNoPackageIsRefusedBeforeAnythingIsAskedFor) {
    test::WriteFile(dir.File("Einkaufsliste.txt"), "Brot, Käse, Äpfel");
    PrepareNewton(Line::kSerial);
    test::Subprocess program(
        Command({"--install", Package("fine.pkg", 900), dir.File("Einkaufsliste.txt")}));
    EXPECT_EQ(program.WaitForExit(10000), 2);
    EXPECT_NE(program.err().find("Einkaufsliste.txt: not a Newton package (it does not begin with "
                                 "\"package0\" or \"package1\"); nothing was sent."),
              std::string::npos)
        << program.err();
    EXPECT_EQ(program.out().find("Open Connection"), std::string::npos)
        << "no connection asked for";
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("got")));
}

TEST_F(InstallTest, APortThatCannotListenEndsTheInstallationAtOnce) {
    test::WriteFile(dir.File("z.INI"),
                    "[Prefs Section]\nport=0\nSerial0=" + dir.File("no-such-tty") + "\n");
    test::Subprocess program(Command({"--install", Package("Lonely.pkg", 600)}));
    EXPECT_EQ(program.WaitForExit(10000), 1) << program.out();
    EXPECT_NE(program.err().find("the installation did not happen"), std::string::npos)
        << program.err();
}

TEST_F(InstallTest, ANewtonThatVanishesMidPackageLeavesTheProgramAnswering) {
    PrepareNewton(Line::kSerial, {"--baud", "57600"});
    test::Subprocess program(Command({"--headless"}));
    program.Write("install " + Package("Big.pkg", 256 * 1024) + "\n");
    ASSERT_TRUE(program.WaitForStdout("Installing Big.pkg (262144 bytes)…\n", 10000))
        << program.out();
    ASSERT_TRUE(program.WaitForStderr("In transit: ", 5000)) << "progress while it lasts";
    newton->process().Signal(SIGKILL);
    EXPECT_TRUE(
        program.WaitForStdout("The Newton left in the middle of the installation.\n", 10000))
        << program.out();
    EXPECT_TRUE(test::AnswersStatusWithin(program, 2000));
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
}

TEST_F(InstallTest, QuittingInTheMiddleEndsTheSessionInOrder) {
    PrepareNewton(Line::kSerial, {"--baud", "57600"});
    test::Subprocess program(Command({"--install", Package("Big.pkg", 256 * 1024)}));
    ASSERT_TRUE(program.WaitForStdout("Installing Big.pkg", 10000)) << program.out();
    const auto start = Clock::now();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(10000), 1);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));
    EXPECT_NE(program.out().find("The installation was cut short.\n"), std::string::npos)
        << program.out();
}

TEST_F(InstallTest, TheCompanionInsteadOfConnectionEndsTheSessionWithItsReason) {
    test::Subprocess companion(
        {NEWTON_SIM, "--pty", "--timeout", "20", "--send", "#YOOHOO\\x04", "--sleep", "3000"});
    const std::string pty = test::WaitForSimPty(companion);
    ASSERT_FALSE(pty.empty());
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nSerial0=" + pty + "\n");
    test::Subprocess program(Command({"--install", Package("Waiting.pkg", 800)}));
    EXPECT_EQ(program.WaitForExit(10000), 1);
    EXPECT_NE(program.out().find("The Newton does not speak the Dock protocol (is Connection open "
                                 "on it?); the installation has ended.\n"),
              std::string::npos)
        << program.out();
}

TEST_F(InstallTest, TheCompanionIsServedOnTheNextConnection) {
    PrepareNewton(Line::kNetwork);
    test::Subprocess program(Command({"--headless", "--relisten"}));
    program.Write("listen\ninstall " + Package("Pocket.pkg", 5000) + "\n");
    ASSERT_TRUE(program.WaitForStdout("Open Connection on the Newton and tap Connect.\n"));
    newton->StartWhenListening(program);
    ASSERT_TRUE(program.WaitForStdout("Installed Pocket.pkg.\n", 15000)) << program.out();
    EXPECT_EQ(newton->process().WaitForExit(10000), 0) << newton->process().err();

    EXPECT_TRUE(newton->ServesThePackageNext(program, dir.path()));
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
}

}  // namespace
}  // namespace zd
