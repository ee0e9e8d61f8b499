// Strangers on the network port: one that connects and says nothing, ones
// that pour garbage in as fast as the loopback carries it, and one that talks
// but never asks for a link.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include "link/dil/dil.h"
#include "support/loopback.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

using namespace std::chrono_literals;

// Resident memory of process `pid` in KiB, 0 once it is gone.
long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return 0;
}

class NetworkListenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFile(dir.File("z.INI"),
                        "[Prefs Section]\nport=-1\nNetPort=" + std::to_string(port) + "\n");
        program.Write("listen\n");
        ASSERT_TRUE(program.WaitForStderr("Info: Listening\n")) << program.err();
    }

    // The program answers a command within the read timeout.
    void ExpectResponsive() {
        EXPECT_TRUE(test::AnswersStatusWithin(program, kReadTimeoutMs + 1000)) << program.err();
    }

    test::TempDir dir;
    const int32_t port = test::FreeTcpPort();
    test::Subprocess program{{ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")}};
};

TEST_F(NetworkListenerTest, ASilentClientHoldsNothingUpForLong) {
    test::TcpClient silent;
    ASSERT_TRUE(silent.Connect(port));
    std::this_thread::sleep_for(500ms);  // taken, and judged a plain stream
    ExpectResponsive();
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
}

// Garbage keeps the program hunting for an MNP frame, whether its first byte
// looks like one or not; memory stays put.
TEST_F(NetworkListenerTest, AFloodOfGarbageDoesNotGrowMemory) {
    for (const char first : {'\x16', 'G'}) {
        std::mt19937 random(first);
        std::string garbage(64 * 1024, '\0');
        for (char& byte : garbage) byte = static_cast<char>(random());
        garbage[0] = first;

        const long before = ResidentKiB(program.pid());
        test::TcpClient flood;
        ASSERT_TRUE(flood.Connect(port));
        long peak = before;
        size_t sent = 0;
        for (int i = 0; i < 10; ++i) {
            sent += flood.Flood(garbage, 300);
            peak = std::max(peak, ResidentKiB(program.pid()));
        }
        flood.Close();
        EXPECT_LT(peak - before, 32 * 1024) << sent << " bytes sent";
        ExpectResponsive();
        program.Write("listen\n");
        program.WaitForStderr("Info: Listening\n", 1000,
                              test::CountOf(program.err(), "Info: Listening\n") + 1);
    }
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
}

TEST(NetworkStranger, OneThatNeverAsksForALinkIsDroppedAndThePortListensAgain) {
    test::TempDir dir;
    const int32_t port = test::FreeTcpPort();
    test::WriteFile(dir.File("z.INI"),
                    "[Prefs Section]\nport=-1\nNetPort=" + std::to_string(port) + "\n");
    ::setenv("ZD_MNP_RETRANSMIT_MS", "100", 1);  // the link gives up after a second
    test::Subprocess program({ZD_PROGRAM, "--headless", "--relisten", "--ini", dir.File("z.INI")});
    ::unsetenv("ZD_MNP_RETRANSMIT_MS");
    program.Write("listen\n");
    ASSERT_TRUE(program.WaitForStderr("Info: Listening\n")) << program.err();

    test::TcpClient stranger;
    ASSERT_TRUE(stranger.Connect(port));
    ASSERT_TRUE(stranger.Send("SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n"));
    EXPECT_TRUE(stranger.WaitForClose(3000));
    EXPECT_TRUE(program.WaitForStdout("No link request came from 127.0.0.1:", 1000))
        << program.out();
    EXPECT_TRUE(
        program.WaitForStdout("Listening... press 'Connect' on the Zandorelle slip.\n", 3000, 2))
        << program.out();

    test::TcpClient next;  // the port is there for the next caller
    EXPECT_TRUE(next.Connect(port, 1000));
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
}

}  // namespace
}  // namespace zd
