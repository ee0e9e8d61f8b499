// The link's behaviour, both ends in memory, on a clock the test moves.
#include "link/mnp/mnp_link.h"

#include <gtest/gtest.h>

#include <deque>

namespace zd::mnp {
namespace {

using Bytes = std::vector<uint8_t>;
using Phase = MnpLink::Phase;

// The desktop and a Newton on a line that hands over whole frames; a filter
// may drop or change each frame on its way.
class LinkPairTest : public ::testing::Test {
protected:
    // Return false to lose the frame.
    using Filter = std::function<bool(Bytes& frame)>;

    LinkPairTest()
        : desktop([this](const uint8_t* b, size_t n) { toNewton.emplace_back(b, b + n); }),
          newton([this](const uint8_t* b, size_t n) { toDesktop.emplace_back(b, b + n); },
                 NewtonOptions()) {}

    static LinkOptions NewtonOptions() {
        LinkOptions options;
        options.role = Role::kNewton;
        options.maxSendInfo = 256;
        options.ignoreFirstDuplicate = true;
        return options;
    }

    // Delivers frames both ways until the line is quiet.
    void Pump() {
        while (!toDesktop.empty() || !toNewton.empty()) {
            Deliver(toDesktop, desktop, toDesktopFilter);
            Deliver(toNewton, newton, toNewtonFilter);
        }
    }

    void Deliver(std::deque<Bytes>& line, MnpLink& to, const Filter& filter) {
        while (!line.empty()) {
            Bytes frame = std::move(line.front());
            line.pop_front();
            if (filter && !filter(frame)) continue;
            to.Input(frame.data(), frame.size(), now);
        }
    }

    void Connect() {
        newton.Connect(now);
        Pump();
        ASSERT_EQ(desktop.phase(), Phase::kRequested);
        ASSERT_TRUE(desktop.Accept(now));
        Pump();
        ASSERT_EQ(desktop.phase(), Phase::kConnected);
        ASSERT_EQ(newton.phase(), Phase::kConnected);
    }

    // Sends all of `data` from `from`, pumping the line between frames.
    void SendAll(MnpLink& from, const Bytes& data) {
        size_t sent = 0;
        while (sent < data.size()) {
            ASSERT_TRUE(from.CanSend());
            sent += from.Send(data.data() + sent, data.size() - sent, now);
            Pump();
        }
    }

    static Bytes Take(MnpLink& link) {
        Bytes bytes(link.delivered().size());
        link.delivered().Take(bytes.data(), bytes.size());
        return bytes;
    }

    static bool IsLt(const Bytes& frame) { return frame.size() > 4 && frame[4] == kLt; }

    int64_t now = 0;
    std::deque<Bytes> toDesktop, toNewton;
    Filter toDesktopFilter, toNewtonFilter;
    MnpLink desktop;
    MnpLink newton;
};

TEST_F(LinkPairTest, SetupAnswersWithExactlyOurRequest) {
    std::vector<Bytes> sent;
    desktop.SetTrace([&](bool outgoing, const Bytes& body) {
        if (outgoing) sent.push_back(body);
    });
    Connect();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], DesktopLinkRequest());
}

TEST_F(LinkPairTest, RefusedRequestsGetTheirReasonAndTheLinkWaitsForABetterOne) {
    Bytes request = NewtonLinkRequest();
    request[2] = 7;
    Bytes wire;
    AppendFrame(request, wire);
    desktop.Input(wire.data(), wire.size(), now);
    ASSERT_EQ(toNewton.size(), 1u);
    Bytes expected;
    AppendFrame(LdBody(kLdBadConstant), expected);
    EXPECT_EQ(toNewton.front(), expected);
    EXPECT_EQ(desktop.phase(), Phase::kIdle);
    toNewton.clear();
    Connect();
}

TEST_F(LinkPairTest, DataArrivesWholeBothWaysAcrossTheSequenceWrap) {
    Connect();
    Bytes data(300 * 253);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31 + i / 253);
    SendAll(desktop, data);  // 300 frames: N(S) runs 1..255, 0, 1, ...
    EXPECT_EQ(Take(newton), data);
    SendAll(newton, data);
    EXPECT_EQ(Take(desktop), data);
    EXPECT_EQ(desktop.stats().retransmissions, 0u);
}

TEST_F(LinkPairTest, ALostAcknowledgementIsRecoveredByTheTimerAndDeliveredOnce) {
    Connect();
    int laLost = 0;
    toDesktopFilter = [&](Bytes& frame) { return !(frame[4] == kLa && laLost++ == 0); };
    const Bytes hello = {'h', 'e', 'l', 'l', 'o'};
    desktop.Send(hello.data(), hello.size(), now);
    Pump();
    EXPECT_FALSE(desktop.AllAcknowledged());
    // First repeat: this Newton ignores the first duplicate, as real ones do.
    now += kRetransmitMs;
    desktop.Poll(now);
    Pump();
    EXPECT_FALSE(desktop.AllAcknowledged());
    now += kRetransmitMs;
    desktop.Poll(now);
    Pump();
    EXPECT_TRUE(desktop.AllAcknowledged());
    EXPECT_EQ(Take(newton), hello);
    EXPECT_EQ(desktop.stats().retransmissions, 2u);
    EXPECT_EQ(newton.stats().duplicates, 2u);
}

TEST_F(LinkPairTest, TheLinkIsGivenUpAfterTenSendsWithAGoodbye) {
    Connect();
    toNewtonFilter = [](Bytes& frame) { return !IsLt(frame); };  // every LT is lost
    const uint8_t byte = 'x';
    desktop.Send(&byte, 1, now);
    for (int i = 0; i < kMaxSends; ++i) {
        now += kRetransmitMs;
        desktop.Poll(now);
        Pump();
    }
    EXPECT_EQ(desktop.phase(), Phase::kDisconnected);
    EXPECT_EQ(desktop.disconnectReason(), kLdUserDisconnect);
    EXPECT_EQ(newton.phase(), Phase::kDisconnected) << "the LD reached the Newton";
    EXPECT_EQ(desktop.stats().retransmissions, static_cast<uint64_t>(kMaxSends - 1));
}

TEST_F(LinkPairTest, ADamagedFrameIsAnsweredAtOnceWithTheLastAcknowledgement) {
    Connect();
    int damaged = 0;
    toDesktopFilter = [&](Bytes& frame) {
        if (IsLt(frame) && damaged++ == 0) frame[6] ^= 0x40;
        return true;
    };
    const Bytes text = {'a', 'b', 'c'};
    newton.Send(text.data(), text.size(), now);
    Pump();  // the desktop's NAK makes the Newton send again at once
    EXPECT_EQ(Take(desktop), text);
    EXPECT_EQ(desktop.stats().damagedFrames, 1u);
    EXPECT_TRUE(newton.AllAcknowledged());
}

TEST_F(LinkPairTest, OutOfSequenceFramesAreDiscardedAndAnswered) {
    Connect();
    Bytes wire;
    const uint8_t byte = 'z';
    AppendFrame(LtBody(5, &byte, 1, true), wire);  // expected is 1
    desktop.Input(wire.data(), wire.size(), now);
    EXPECT_TRUE(desktop.delivered().empty());
    EXPECT_EQ(desktop.stats().outOfSequence, 1u);
    ASSERT_EQ(toNewton.size(), 1u);
    Bytes ack;
    AppendFrame(LaBody(0, 1, true), ack);
    EXPECT_EQ(toNewton.back(), ack);
}

TEST_F(LinkPairTest, NoCreditNoSending) {
    Connect();
    Bytes wire;
    AppendFrame(LaBody(0, 0, true), wire);
    desktop.Input(wire.data(), wire.size(), now);
    EXPECT_FALSE(desktop.CanSend());
    wire.clear();
    AppendFrame(LaBody(0, 1, true), wire);
    desktop.Input(wire.data(), wire.size(), now);
    EXPECT_TRUE(desktop.CanSend());
}

TEST_F(LinkPairTest, ALostConfirmationIsForgivenWhenDataArrives) {
    newton.Connect(now);
    Pump();
    toDesktopFilter = [](Bytes& frame) { return frame[4] != kLa; };
    desktop.Accept(now);
    Pump();
    EXPECT_EQ(desktop.phase(), Phase::kAwaitingAck);
    toDesktopFilter = nullptr;
    const Bytes text = {'#', 'I', 'D'};
    newton.Send(text.data(), text.size(), now);
    Pump();
    EXPECT_EQ(desktop.phase(), Phase::kConnected);
    EXPECT_EQ(Take(desktop), text);
}

TEST_F(LinkPairTest, GoodbyeFromEitherSideEndsTheLink) {
    Connect();
    newton.Disconnect();
    Pump();
    EXPECT_EQ(desktop.phase(), Phase::kDisconnected);
    EXPECT_EQ(desktop.disconnectReason(), kLdUserDisconnect);
    EXPECT_FALSE(desktop.CanSend());
}

TEST_F(LinkPairTest, ARepeatedRequestStartsTheLinkAfresh) {
    Connect();
    const Bytes text = {'1'};
    desktop.Send(text.data(), text.size(), now);
    Pump();
    newton.Connect(now);  // the Newton starts over
    Pump();
    EXPECT_EQ(desktop.phase(), Phase::kConnected);
    EXPECT_EQ(newton.phase(), Phase::kConnected);
    const Bytes more = {'2'};
    desktop.Send(more.data(), more.size(), now);
    Pump();
    EXPECT_EQ(Take(newton), (Bytes{'1', '2'}));
}

}  // namespace
}  // namespace zd::mnp
