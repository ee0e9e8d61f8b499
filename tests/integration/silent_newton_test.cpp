// A Newton that goes silent in the middle of a send (a pulled cable, a Newton
// asleep): the program quits within a second of being told, disconnects within
// its one bound, and a slow transfer shows how far it has come.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <string>

#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

using Clock = std::chrono::steady_clock;

class SilentNewtonTest : public ::testing::Test {
protected:
    // The program sending 100 KiB to a Newton on a slow line, which is then
    // stopped in the middle.
    void StartASendAndSilenceTheNewton() {
        test::WriteFile(dir.File("big.txt"), std::string(100 * 1024, 'x'));
        newton = std::make_unique<test::Subprocess>(std::vector<std::string>{
            NEWTON_SIM, "--pty", "--baud", "57600", "--timeout", "60", "--greet", "--catch",
            dir.File("caught")});
        const std::string pty = test::WaitForSimPty(*newton);
        ASSERT_FALSE(pty.empty());
        test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nSerial0=" + pty + "\n");
        program = std::make_unique<test::Subprocess>(
            std::vector<std::string>{ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
        program->Write("listen\n");
        ASSERT_TRUE(program->WaitForStdout("ZD is now working.\n", 10000)) << program->out();
        program->Write("send " + dir.File("big.txt") + "\n");
        // Progress once the send has lasted a second.
        ASSERT_TRUE(program->WaitForStderr("In transit: ", 5000)) << program->err();
        newton->Signal(SIGSTOP);
    }
    void TearDown() override {
        if (newton) newton->Signal(SIGCONT);
    }

    test::TempDir dir;
    std::unique_ptr<test::Subprocess> newton, program;
};

TEST_F(SilentNewtonTest, SigtermAndQuitEndTheProgramWithinFourSeconds) {
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"SIGTERM", [this] { program->Signal(SIGTERM); }},
        {"quit", [this] { program->Write("quit\n"); }},
    };
    for (const auto& [name, tell] : ways) {
        SCOPED_TRACE(name);
        StartASendAndSilenceTheNewton();
        const auto start = Clock::now();
        tell();
        EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));
        newton->Signal(SIGCONT);
    }
}

TEST_F(SilentNewtonTest, DisconnectEndsTheWaitAndFinishesWithinItsBound) {
    StartASendAndSilenceTheNewton();
    const auto start = Clock::now();
    program->Write("disconnect\n");
    EXPECT_TRUE(program->WaitForStdout("The pipe has been disconnected and disposed.\n", 10000))
        << program->out();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3500));
    program->Write("quit\n");
    EXPECT_EQ(program->WaitForExit(10000), 0);
}

TEST_F(SilentNewtonTest, TheProgressGrowsWhileTheSendLasts) {
    StartASendAndSilenceTheNewton();
    newton->Signal(SIGCONT);
    ASSERT_TRUE(program->WaitForStderr("In transit: ", 5000, 3)) << program->err();
    std::vector<long> shown;
    for (size_t at = program->err().find("In transit: "); at != std::string::npos;
         at = program->err().find("In transit: ", at + 1)) {
        const std::string value = program->err().substr(at + 12, program->err().find('\n', at) - at - 12);
        if (!value.empty()) shown.push_back(std::stol(value));
    }
    ASSERT_GE(shown.size(), 2u) << program->err();
    EXPECT_GT(shown.back(), shown.front());
    program->Write("quit\n");
    EXPECT_EQ(program->WaitForExit(10000), 0);
}

}  // namespace
}  // namespace zd
