// The DIL against the simulated Newton in its own process: over a
// pseudo-terminal as a serial line, and over TCP as an emulator (MNP) or a
// network Newton (plain stream), on a clean line and on a damaged one.
#include <gtest/gtest.h>

#include <random>

#include "link/dil/dil.h"
#include "support/loopback.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

constexpr size_t kMiB = 1 << 20;

std::string RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    return bytes;
}

class SimLinkTest : public ::testing::Test {
protected:
    void StartDil(int32_t retransmitMs = 3000) {
        DilOptions options;
        options.settings = [this] { return settings; };
        options.notice = [this](std::string_view text) { notices.emplace_back(text); };
        options.mnpRetransmitMs = retransmitMs;
        dil = std::make_unique<Dil>(clock, options);
        dil->CD_Startup();
    }

    // Starts newton-sim with `args` on a new pseudo-terminal and points serial
    // slot 0 at it.
    std::unique_ptr<test::Subprocess> SimOnPty(std::vector<std::string> args) {
        args.insert(args.begin(), {NEWTON_SIM, "--pty"});
        auto sim = std::make_unique<test::Subprocess>(args);
        settings.serialDevices[0] = test::WaitForSimPty(*sim);
        EXPECT_FALSE(settings.serialDevices[0].empty());
        return sim;
    }

    // Listens until the Newton has connected and the pipe is accepted.
    bool Accept(CD_Handle pipe, int timeoutMs = 10000) {
        const int64_t deadline = clock.NowMs() + timeoutMs;
        while (clock.NowMs() < deadline) {
            const int32_t state = dil->CD_GetState(pipe);
            if (state == kStateConnected) return true;
            if (state == kStateConnectPending) dil->CD_Accept(pipe);
            dil->CD_Wait(pipe, 10);
        }
        return false;
    }

    std::string ReadAll(CD_Handle pipe, size_t size) {
        std::string got(size, '\0');
        for (size_t at = 0; at < size; at += 4096) {
            const int32_t chunk = static_cast<int32_t>(std::min<size_t>(4096, size - at));
            if (dil->CD_Read(pipe, got.data() + at, chunk) != kDilOk) return got.substr(0, at);
        }
        return got;
    }

    // A megabyte each way through the simulator; `simArgs` add line damage.
    void ExchangeAMegabyte(std::vector<std::string> simArgs, int32_t retransmitMs) {
        const std::string toDesktop = RandomBytes(kMiB, 1);
        const std::string toNewton = RandomBytes(kMiB, 2);
        test::WriteFile(dir.File("to-desktop"), toDesktop);
        simArgs.insert(simArgs.end(),
                       {"--send-file", dir.File("to-desktop"), "--expect", std::to_string(kMiB),
                        dir.File("at-newton"), "--wait-close"});
        auto sim = SimOnPty(simArgs);
        StartDil(retransmitMs);
        CD_Handle pipe = 0;
        ASSERT_EQ(dil->CD_CreateMNPSerial(&pipe, 0, kSerialBaud), kDilOk);
        ASSERT_EQ(dil->CD_StartListening(pipe), kDilOk);
        ASSERT_TRUE(Accept(pipe)) << sim->err();

        EXPECT_TRUE(ReadAll(pipe, kMiB) == toDesktop);
        ASSERT_EQ(dil->CD_Write(pipe, toNewton.data(), static_cast<int32_t>(kMiB)), kDilOk);
        dil->CD_Disconnect(pipe);  // waits for the last frame's confirmation
        EXPECT_EQ(sim->WaitForExit(60000), 0) << sim->err();
        EXPECT_TRUE(test::ReadFile(dir.File("at-newton")) == toNewton);
    }

    test::TempDir dir;
    SteadyClock clock;
    DilSettings settings;
    std::vector<std::string> notices;
    std::unique_ptr<Dil> dil;
};

TEST_F(SimLinkTest, AMegabyteEachWayOverAPseudoTerminal) {
    ExchangeAMegabyte({}, 3000);
}

TEST_F(SimLinkTest, AMegabyteEachWayOverADamagedLine) {
    // Short timers on both ends keep the many retransmissions quick.
    ExchangeAMegabyte(
        {"--corrupt", "0.01", "--drop", "0.005", "--seed", "7", "--retransmit-ms", "50"}, 50);
}

TEST_F(SimLinkTest, TheNewtonClosingEndsThePipe) {
    auto sim = SimOnPty({"--send", "bye", "--sleep", "300", "--close"});
    StartDil();
    CD_Handle pipe = 0;
    ASSERT_EQ(dil->CD_CreateMNPSerial(&pipe, 0, kSerialBaud), kDilOk);
    ASSERT_EQ(dil->CD_StartListening(pipe), kDilOk);
    ASSERT_TRUE(Accept(pipe));
    char text[3];
    ASSERT_EQ(dil->CD_Read(pipe, text, 3), kDilOk);
    EXPECT_EQ(std::string(text, 3), "bye");
    EXPECT_EQ(sim->WaitForExit(), 0);
    for (int i = 0; i < 100 && dil->CD_GetState(pipe) != kStateDisconnected; ++i)
        dil->CD_Wait(pipe, 10);
    EXPECT_EQ(dil->CD_GetState(pipe), kStateDisconnected);
}

TEST_F(SimLinkTest, AMissingDeviceIsReportedInWords) {
    settings.serialDevices[0] = dir.File("no-such-tty");
    StartDil();
    CD_Handle pipe = 0;
    ASSERT_EQ(dil->CD_CreateMNPSerial(&pipe, 0, kSerialBaud), kDilOk);
    EXPECT_EQ(dil->CD_StartListening(pipe), kDilErrNoSuchPort);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], dir.File("no-such-tty") + ": no such device; is the adapter plugged in?");
}

TEST_F(SimLinkTest, AFileThatIsNoTerminalIsRefused) {
    settings.serialDevices[0] = dir.File("plain-file");
    test::WriteFile(settings.serialDevices[0], "");
    StartDil();
    CD_Handle pipe = 0;
    ASSERT_EQ(dil->CD_CreateMNPSerial(&pipe, 0, kSerialBaud), kDilOk);
    EXPECT_EQ(dil->CD_StartListening(pipe), kDilErrSystem);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("plain-file: "), std::string::npos);
}

class NetworkSimTest : public SimLinkTest, public ::testing::WithParamInterface<bool /* mnp */> {};

TEST_P(NetworkSimTest, BothKindsOfNewtonOnTheNetworkPort) {
    const bool mnp = GetParam();
    settings.netPort = test::FreeTcpPort();
    StartDil();
    CD_Handle pipe = 0;
    ASSERT_EQ(dil->CD_CreateADSP(&pipe, nullptr, "Zandorelle"), kDilOk);
    ASSERT_EQ(dil->CD_StartListening(pipe), kDilOk);

    std::vector<std::string> args = {NEWTON_SIM,
                                     "--tcp",
                                     std::to_string(settings.netPort),
                                     "--expect",
                                     "4",
                                     dir.File("got"),
                                     "--send",
                                     "#YOOHOO\\x04",
                                     "--wait-close"};
    if (!mnp) args.insert(args.begin() + 3, "--plain");
    test::Subprocess sim(args);
    ASSERT_TRUE(Accept(pipe)) << sim.err();
    ASSERT_EQ(dil->CD_Write(pipe, "#ID\x04", 4), kDilOk);
    char answer[8];
    ASSERT_EQ(dil->CD_Read(pipe, answer, 8), kDilOk);
    EXPECT_EQ(std::string(answer, 8), "#YOOHOO\x04");
    dil->CD_Disconnect(pipe);
    EXPECT_EQ(sim.WaitForExit(), 0) << sim.err();
    EXPECT_EQ(test::ReadFile(dir.File("got")), "#ID\x04");
    ASSERT_GE(notices.size(), 1u);
    EXPECT_EQ(notices[0], mnp ? "The Newton speaks MNP (an emulator's serial port)."
                              : "The Newton sends a plain stream.");
}

INSTANTIATE_TEST_SUITE_P(Framing, NetworkSimTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Mnp" : "Plain"; });

}  // namespace
}  // namespace zd
