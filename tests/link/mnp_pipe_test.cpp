// A DIL pipe carrying MNP, with the Newton's end of the link played in memory:
// the whole desktop path from CD_ calls to frames and back.
#include <gtest/gtest.h>

#include "link/dil/dil.h"
#include "link/dil/memory_transport.h"
#include "link/mnp/mnp_link.h"
#include "support/fake_clock.h"

namespace zd {
namespace {

using mnp::MnpLink;

class MnpPipeTest : public ::testing::Test {
protected:
    MnpPipeTest()
        : newton(
              [this](const uint8_t* bytes, size_t size) {
                  line->Send(std::string_view(reinterpret_cast<const char*>(bytes), size));
              },
              NewtonOptions()) {
        line->SetFraming(FramingKind::kMnp);
        // Whatever the desktop writes reaches the Newton at once.
        line->OnWrite([this](MemoryPeer&, std::string_view written) {
            if (!deaf) {
                newton.Input(reinterpret_cast<const uint8_t*>(written.data()), written.size(),
                             clock.now());
            }
        });
        DilOptions options;
        options.transportFactory = [this](const PipeRequest&) {
            return std::make_unique<MemoryTransport>(line);
        };
        options.notice = [this](std::string_view text) { notices.emplace_back(text); };
        dil = std::make_unique<Dil>(clock, options);
        dil->CD_Startup();
        EXPECT_EQ(dil->CD_CreateMNPSerial(&pipe, 0, kSerialBaud), kDilOk);
        EXPECT_EQ(dil->CD_StartListening(pipe), kDilOk);
        line->Connect();  // the device is open; nothing has been said yet
    }

    static mnp::LinkOptions NewtonOptions() {
        mnp::LinkOptions options;
        options.role = mnp::Role::kNewton;
        options.maxSendInfo = 256;
        return options;
    }

    void Connect() {
        EXPECT_EQ(dil->CD_GetState(pipe), kStateListening);
        newton.Connect(clock.now());
        EXPECT_EQ(dil->CD_GetState(pipe), kStateConnectPending);
        ASSERT_EQ(dil->CD_Accept(pipe), kDilOk);
        ASSERT_EQ(dil->CD_GetState(pipe), kStateConnected) << "accept waits for the LA";
        ASSERT_EQ(newton.phase(), MnpLink::Phase::kConnected);
    }

    std::string NewtonReceived() {
        std::string text(newton.delivered().size(), '\0');
        newton.delivered().Take(reinterpret_cast<uint8_t*>(text.data()), text.size());
        return text;
    }

    test::FakeClock clock;
    std::shared_ptr<MemoryPeer> line = std::make_shared<MemoryPeer>();
    MnpLink newton;
    bool deaf = false;  // the Newton hears nothing the desktop writes
    std::vector<std::string> notices;
    std::unique_ptr<Dil> dil;
    CD_Handle pipe = 0;
};

TEST_F(MnpPipeTest, TextBothWaysThroughFrames) {
    Connect();
    const std::string item = "#GET;x;Note\x04" + std::string(600, 'a');
    newton.Send(reinterpret_cast<const uint8_t*>(item.data()), 256, clock.now());
    int32_t waiting = 0;
    ASSERT_EQ(dil->CD_BytesAvailable(pipe, &waiting), kDilOk);
    EXPECT_EQ(waiting, 256);
    char buffer[256];
    ASSERT_EQ(dil->CD_Read(pipe, buffer, 256), kDilOk);
    EXPECT_EQ(std::string(buffer, 256), item.substr(0, 256));

    const std::string reply(1000, 'r');  // four frames of at most 253 bytes
    ASSERT_EQ(dil->CD_Write(pipe, reply.data(), 1000), kDilOk);
    EXPECT_EQ(NewtonReceived(), reply);
}

TEST_F(MnpPipeTest, TheNewtonsGoodbyeEndsThePipeButKeepsWhatArrived) {
    Connect();
    newton.Send(reinterpret_cast<const uint8_t*>("ab"), 2, clock.now());
    newton.Disconnect();
    EXPECT_EQ(dil->CD_GetState(pipe), kStateDisconnected);
    char buffer[2];
    EXPECT_EQ(dil->CD_Read(pipe, buffer, 2), kDilOk);
    EXPECT_EQ(dil->CD_Write(pipe, "x", 1), kDilErrLinkDropped);
}

TEST_F(MnpPipeTest, OurDisconnectSaysGoodbye) {
    Connect();
    ASSERT_EQ(dil->CD_Disconnect(pipe), kDilOk);
    EXPECT_EQ(newton.phase(), MnpLink::Phase::kDisconnected);
    EXPECT_EQ(newton.disconnectReason(), mnp::kLdUserDisconnect);
    EXPECT_TRUE(line->closed());
}

TEST_F(MnpPipeTest, AWriteToANewtonThatStoppedListeningFailsAfterTheRetries) {
    Connect();
    deaf = true;
    const int64_t before = clock.now();
    // A window's worth of frames may stay unconfirmed; the next waits in vain.
    for (int frame = 0; frame < mnp::kMaxWindow; ++frame)
        ASSERT_EQ(dil->CD_Write(pipe, "one", 3), kDilOk) << frame;
    EXPECT_EQ(dil->CD_Write(pipe, "two", 3), kDilErrLinkDropped);
    EXPECT_GE(clock.now() - before, (mnp::kMaxSends - 1) * mnp::kRetransmitMs);
    EXPECT_EQ(dil->CD_GetState(pipe), kStateDisconnected);
}

// The Newton never heard our answer and so says nothing; the answer must go
// again on time even though we sit waiting for what the Newton will say.
TEST_F(MnpPipeTest, AFrameLostWhileWeWaitForTheReplyIsSentAgainInTime) {
    Connect();
    line->OnWait([this](int32_t timeoutMs) { clock.Advance(timeoutMs); });  // nothing arrives
    int lost = 1;
    line->OnWrite([&](MemoryPeer&, std::string_view written) {
        if (lost-- > 0) return;
        newton.Input(reinterpret_cast<const uint8_t*>(written.data()), written.size(), clock.now());
        if (NewtonReceived() == "#OK\x04")
            newton.Send(reinterpret_cast<const uint8_t*>("item"), 4, clock.now());
    });
    const int64_t before = clock.now();
    ASSERT_EQ(dil->CD_Write(pipe, "#OK\x04", 4), kDilOk);
    char reply[4] = {};
    ASSERT_EQ(dil->CD_Read(pipe, reply, 4), kDilOk);
    EXPECT_EQ(std::string(reply, 4), "item");
    EXPECT_LT(clock.now() - before, mnp::kRetransmitMs + 100);
}

TEST_F(MnpPipeTest, TheDeviceGoingAwayEndsThePipe) {
    Connect();
    line->Hangup();
    EXPECT_EQ(dil->CD_GetState(pipe), kStateDisconnected);
}

}  // namespace
}  // namespace zd
