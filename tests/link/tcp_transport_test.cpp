// The network pipe on a real loopback socket.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "link/dil/dil.h"
#include "link/dil/tcp_transport.h"
#include "link/mnp/mnp_link.h"
#include "support/loopback.h"

namespace zd {
namespace {

class NetworkPipeTest : public ::testing::Test {
protected:
    NetworkPipeTest() {
        options.mnpRetransmitMs = 100;
        options.settings = [this] { return settings; };
        options.notice = [this](std::string_view text) { notices.emplace_back(text); };
        options.readTimeoutMs = 300;
        dil = std::make_unique<Dil>(clock, options);
        dil->CD_Startup();
        settings.netPort = test::FreeTcpPort();
    }

    CD_Handle ListeningPipe() {
        CD_Handle pipe = 0;
        EXPECT_EQ(dil->CD_CreateADSP(&pipe, nullptr, "Zandorelle"), kDilOk);
        EXPECT_EQ(dil->CD_StartListening(pipe), kDilOk);
        return pipe;
    }

    // Polls the pipe until it reports `state`, for at most two seconds.
    bool ReachesState(CD_Handle pipe, int32_t state) {
        for (int i = 0; i < 200; ++i) {
            if (dil->CD_GetState(pipe) == state) return true;
            dil->CD_Wait(pipe, 10);
        }
        return false;
    }

    // An emulated Newton's link request, as it goes on the wire.
    static std::string LinkRequest() {
        std::string frame;
        mnp::LinkOptions newton;
        newton.role = mnp::Role::kNewton;
        mnp::MnpLink link(
            [&](const uint8_t* bytes, size_t size) { frame.assign(bytes, bytes + size); }, newton);
        link.Connect(0);
        return frame;
    }

    SteadyClock clock;
    DilOptions options;
    DilSettings settings;
    std::vector<std::string> notices;
    std::unique_ptr<Dil> dil;
};

TEST_F(NetworkPipeTest, ANewtonConnectsTalksAndLeaves) {
    const CD_Handle pipe = ListeningPipe();
    EXPECT_EQ(dil->CD_GetState(pipe), kStateListening);

    test::TcpClient newton;
    ASSERT_TRUE(newton.Connect(settings.netPort));
    ASSERT_TRUE(ReachesState(pipe, kStateConnectPending));
    ASSERT_EQ(dil->CD_Accept(pipe), kDilOk);
    EXPECT_EQ(dil->CD_GetState(pipe), kStateConnected);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0], "The Newton sends a plain stream.") << "it stayed silent";
    EXPECT_EQ(notices[1].rfind("Connection from 127.0.0.1:", 0), 0u) << notices[1];

    ASSERT_TRUE(newton.Send("#YOOHOO\x04"));
    char buffer[8];
    ASSERT_EQ(dil->CD_Read(pipe, buffer, 8), kDilOk);
    EXPECT_EQ(std::string(buffer, 8), "#YOOHOO\x04");
    ASSERT_EQ(dil->CD_Write(pipe, "#ID\x04", 4), kDilOk);
    EXPECT_EQ(newton.Receive(4), "#ID\x04");

    newton.Close();
    EXPECT_TRUE(ReachesState(pipe, kStateDisconnected));
    EXPECT_EQ(dil->CD_Read(pipe, buffer, 1), kDilErrLinkDropped);
}

TEST_F(NetworkPipeTest, LargeWritesAreDeliveredWhole) {
    const CD_Handle pipe = ListeningPipe();
    test::TcpClient newton;
    ASSERT_TRUE(newton.Connect(settings.netPort));
    ASSERT_TRUE(ReachesState(pipe, kStateConnectPending));
    ASSERT_EQ(dil->CD_Accept(pipe), kDilOk);

    std::string big(1 << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 256);
    // The client reads while the write blocks, on another thread.
    std::string got;
    std::thread reader([&] { got = newton.Receive(big.size(), 10000); });
    EXPECT_EQ(dil->CD_Write(pipe, big.data(), static_cast<int32_t>(big.size())), kDilOk);
    reader.join();
    EXPECT_TRUE(got == big);
}

TEST_F(NetworkPipeTest, ReadWaitsForTheTimeoutThenFails) {
    const CD_Handle pipe = ListeningPipe();
    test::TcpClient newton;
    ASSERT_TRUE(newton.Connect(settings.netPort));
    ASSERT_TRUE(ReachesState(pipe, kStateConnectPending));
    ASSERT_EQ(dil->CD_Accept(pipe), kDilOk);
    char buffer[1];
    const int64_t before = clock.NowMs();
    EXPECT_EQ(dil->CD_Read(pipe, buffer, 1), kDilErrTimeout);
    const int64_t waited = clock.NowMs() - before;
    EXPECT_GE(waited, 290);
    EXPECT_LT(waited, 2000);
}

TEST_F(NetworkPipeTest, ASecondListenerOnTheSamePortIsRefused) {
    const CD_Handle first = ListeningPipe();
    CD_Handle second = 0;
    ASSERT_EQ(dil->CD_CreateADSP(&second, nullptr, "Zandorelle"), kDilOk);
    EXPECT_EQ(dil->CD_StartListening(second), kDilErrAddressInUse);
    EXPECT_EQ(dil->CD_GetState(first), kStateListening);
    EXPECT_EQ(notices, std::vector<std::string>{"127.0.0.1:" + std::to_string(settings.netPort) +
                                                ": the network port is in use by another "
                                                "program."});
}

TEST_F(NetworkPipeTest, ASecondNewtonIsTurnedAwayAndTheFirstCarriesOn) {
    const CD_Handle pipe = ListeningPipe();
    test::TcpClient first, second;
    ASSERT_TRUE(first.Connect(settings.netPort));
    ASSERT_TRUE(ReachesState(pipe, kStateConnectPending));
    ASSERT_EQ(dil->CD_Accept(pipe), kDilOk);
    ASSERT_TRUE(second.Connect(settings.netPort, 200));
    const auto turnedAway = [this] {
        return std::any_of(notices.begin(), notices.end(), [](const std::string& notice) {
            return notice.rfind("Turned away 127.0.0.1:", 0) == 0 &&
                   notice.find(": a Newton is already connected.") != std::string::npos;
        });
    };
    for (int i = 0; i < 30 && !turnedAway(); ++i) dil->CD_Wait(pipe, 10);
    EXPECT_TRUE(turnedAway()) << testing::PrintToString(notices);
    EXPECT_TRUE(second.WaitForClose(1000));

    ASSERT_TRUE(first.Send("#ID?"));
    char text[4] = {};
    EXPECT_EQ(dil->CD_Read(pipe, text, 4), kDilOk);
    EXPECT_EQ(std::string(text, 4), "#ID?");
    EXPECT_EQ(dil->CD_Write(pipe, "ok", 2), kDilOk);
    EXPECT_EQ(first.Receive(2), "ok");
}

TEST_F(NetworkPipeTest, NobodyIsHeardOnceTheNewtonHasLeft) {
    const CD_Handle pipe = ListeningPipe();
    test::TcpClient first, late;
    ASSERT_TRUE(first.Connect(settings.netPort));
    ASSERT_TRUE(ReachesState(pipe, kStateConnectPending));
    first.Close();
    ASSERT_TRUE(ReachesState(pipe, kStateDisconnected));
    EXPECT_FALSE(late.Connect(settings.netPort, 200));
}

// A sender faster than the program: each pump takes a bounded share and the
// rest waits in the kernel, where flow control holds the sender back.
TEST_F(NetworkPipeTest, OnePumpTakesABoundedShareOfAFlood) {
    TcpTransport transport(clock, "127.0.0.1", settings.netPort, 1000, nullptr);
    ASSERT_EQ(transport.Open(), kDilOk);
    test::TcpClient flood;
    ASSERT_TRUE(flood.Connect(settings.netPort));
    ByteQueue inbox;
    for (int i = 0; i < 100 && transport.peer() != Peer::kAttached; ++i) {
        transport.Pump(inbox);
        transport.Wait(10);
    }
    const std::string garbage(1 << 20, 'x');
    ASSERT_GT(flood.Flood(garbage, 200), 4 * kMaxPumpBytes);
    transport.Wait(100);
    transport.Pump(inbox);
    EXPECT_GT(inbox.size(), 0u);
    EXPECT_LT(inbox.size(), kMaxPumpBytes + 16384);
}

TEST_F(NetworkPipeTest, AnEmulatorThatJoinsInTheMiddleOfALinkRequestIsAnsweredOnTheNext) {
    const CD_Handle pipe = ListeningPipe();
    test::TcpClient emulator;
    ASSERT_TRUE(emulator.Connect(settings.netPort));
    const std::string request = LinkRequest();
    ASSERT_GT(request.size(), 11u);
    ASSERT_TRUE(emulator.Send(request.substr(11)));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // longer than the silence rule
    ASSERT_TRUE(emulator.Send(request));
    ASSERT_TRUE(ReachesState(pipe, kStateConnectPending));
    EXPECT_EQ(notices[0], "The Newton speaks MNP (an emulator's serial port).");
    ASSERT_EQ(dil->CD_Accept(pipe), kDilOk);
    const std::string answer = emulator.Receive(3, 2000);
    EXPECT_EQ(answer, "\x16\x10\x02") << "our link request, a frame from its start";
}

TEST_F(NetworkPipeTest, ACallerThatNeverAsksForALinkIsDroppedWithinTheLinksLimit) {
    const CD_Handle pipe = ListeningPipe();
    test::TcpClient caller;
    ASSERT_TRUE(caller.Connect(settings.netPort));
    ASSERT_TRUE(caller.Send("GET / HTTP/1.0\r\n\r\n"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(ReachesState(pipe, kStateDisconnected));
    EXPECT_TRUE(caller.WaitForClose(2000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500))
        << "ten of its 100 ms retransmission periods";
    EXPECT_EQ(notices.back().rfind("No link request came from 127.0.0.1:", 0), 0u)
        << notices.back();
}

TEST_F(NetworkPipeTest, AnUnusableAddressIsRefused) {
    settings.netAddress = "300.1.2.3";
    CD_Handle pipe = 0;
    ASSERT_EQ(dil->CD_CreateADSP(&pipe, nullptr, "Zandorelle"), kDilOk);
    EXPECT_EQ(dil->CD_StartListening(pipe), kDilErrBadAddress);
}

}  // namespace
}  // namespace zd
