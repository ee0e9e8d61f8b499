// The link's behaviour, both ends in memory, on a clock the test moves.
#include "link/mnp/mnp_link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

namespace zd::mnp {
namespace {

using Bytes = std::vector<uint8_t>;
using Phase = MnpLink::Phase;

// The desktop and a Newton on a line that hands over whole frames; a filter
// may drop or change each frame on its way.  The desktop offers the window of
// the parameter, the Newton 8, as a real one does.
class LinkPairTest : public ::testing::TestWithParam<uint8_t> {
protected:
    // Return false to lose the frame.
    using Filter = std::function<bool(Bytes& frame)>;

    LinkPairTest()
        : desktop([this](const uint8_t* b, size_t n) { toNewton.emplace_back(b, b + n); },
                  DesktopOptions(GetParam())),
          newton([this](const uint8_t* b, size_t n) { toDesktop.emplace_back(b, b + n); },
                 NewtonOptions()) {}

    static LinkOptions DesktopOptions(uint8_t window) {
        LinkOptions options;
        options.window = window;
        return options;
    }
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

TEST_P(LinkPairTest, SetupAnswersWithExactlyOurRequest) {
    std::vector<Bytes> sent;
    desktop.SetTrace([&](bool outgoing, const Bytes& body) {
        if (outgoing) sent.push_back(body);
    });
    Connect();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], DesktopLinkRequest(GetParam()));
}

TEST_P(LinkPairTest, RefusedRequestsGetTheirReasonAndTheLinkWaitsForABetterOne) {
    Bytes request = NewtonLinkRequest(8);
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

TEST_P(LinkPairTest, DataArrivesWholeBothWaysAcrossTheSequenceWrap) {
    Connect();
    Bytes data(300 * 253);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31 + i / 253);
    SendAll(desktop, data);  // 300 frames: N(S) runs 1..255, 0, 1, ...
    EXPECT_EQ(Take(newton), data);
    SendAll(newton, data);
    EXPECT_EQ(Take(desktop), data);
    EXPECT_EQ(desktop.stats().retransmissions, 0u);
}

TEST_P(LinkPairTest, ALostAcknowledgementIsRecoveredByTheTimerAndDeliveredOnce) {
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

TEST_P(LinkPairTest, TheLinkIsGivenUpAfterTenSendsWithAGoodbye) {
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

TEST_P(LinkPairTest, ADamagedFrameIsAnsweredAtOnceWithTheLastAcknowledgement) {
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

TEST_P(LinkPairTest, OutOfSequenceFramesAreDiscardedAndAnswered) {
    Connect();
    Bytes wire;
    const uint8_t byte = 'z';
    AppendFrame(LtBody(5, &byte, 1, true), wire);  // expected is 1
    desktop.Input(wire.data(), wire.size(), now);
    EXPECT_TRUE(desktop.delivered().empty());
    EXPECT_EQ(desktop.stats().outOfSequence, 1u);
    ASSERT_EQ(toNewton.size(), 1u);
    Bytes ack;
    AppendFrame(LaBody(0, GetParam(), true), ack);
    EXPECT_EQ(toNewton.back(), ack);
}

TEST_P(LinkPairTest, NoCreditNoSending) {
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

TEST_P(LinkPairTest, ALostConfirmationIsForgivenWhenDataArrives) {
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

TEST_P(LinkPairTest, GoodbyeFromEitherSideEndsTheLink) {
    Connect();
    newton.Disconnect();
    Pump();
    EXPECT_EQ(desktop.phase(), Phase::kDisconnected);
    EXPECT_EQ(desktop.disconnectReason(), kLdUserDisconnect);
    EXPECT_FALSE(desktop.CanSend());
}

TEST_P(LinkPairTest, ARepeatedRequestStartsTheLinkAfresh) {
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

INSTANTIATE_TEST_SUITE_P(Window, LinkPairTest, ::testing::Values(1, 8),
                         [](const auto& info) { return "K" + std::to_string(info.param); });

// A window of eight both ways.
class WindowTest : public LinkPairTest {
protected:
    // Sends frames of one byte each, counting up from `first`, while the window
    // and the credit allow; the bytes sent.
    Bytes FillWindow(MnpLink& from, uint8_t first = 'a') {
        Bytes sent;
        while (from.CanSend()) {
            const uint8_t byte = static_cast<uint8_t>(first + sent.size());
            from.Send(&byte, 1, now);
            sent.push_back(byte);
        }
        return sent;
    }
    static Bytes Framed(const Bytes& body) {
        Bytes wire;
        AppendFrame(body, wire);
        return wire;
    }
    size_t Count(const std::deque<Bytes>& line, uint8_t type) {
        return static_cast<size_t>(std::count_if(line.begin(), line.end(), [&](const Bytes& f) {
            return f.size() > 4 && f[4] == type;
        }));
    }
};

TEST_P(WindowTest, EightFramesTravelBeforeTheirAcknowledgement) {
    Connect();
    EXPECT_EQ(desktop.window(), 8);
    const Bytes sent = FillWindow(desktop);
    EXPECT_EQ(sent.size(), 8u);
    EXPECT_EQ(Count(toNewton, kLt), 8u);
    Pump();
    EXPECT_EQ(Take(newton), sent);
    EXPECT_TRUE(desktop.AllAcknowledged());
}

TEST_P(WindowTest, AFrameLostInsideTheWindowIsSentAgainWithThoseAfterIt) {
    Connect();
    int lt = 0;
    toNewtonFilter = [&](Bytes& frame) { return !(IsLt(frame) && ++lt == 3); };
    const Bytes sent = FillWindow(desktop);
    Pump();  // the Newton asks for the third again; the rest follow it
    EXPECT_EQ(Take(newton), sent) << "in order, each once";
    EXPECT_TRUE(desktop.AllAcknowledged());
    EXPECT_EQ(desktop.stats().retransmissions, 6u);
}

TEST_P(WindowTest, LostAcknowledgementsAreCoveredByTheNextOrByTheTimer) {
    Connect();
    toDesktopFilter = [&](Bytes& frame) { return frame[4] != kLa; };
    const Bytes sent = FillWindow(desktop);
    Pump();
    EXPECT_FALSE(desktop.AllAcknowledged());
    toDesktopFilter = nullptr;
    now += kRetransmitMs;
    desktop.Poll(now);  // all eight again; the Newton confirms the last it has
    Pump();
    EXPECT_TRUE(desktop.AllAcknowledged());
    EXPECT_EQ(Take(newton), sent);
}

TEST_P(WindowTest, NoCreditStopsTheSenderUntilALaterLaGrantsThree) {
    Connect();
    const Bytes none = Framed(LaBody(0, 0, true));
    desktop.Input(none.data(), none.size(), now);
    EXPECT_FALSE(desktop.CanSend());
    const Bytes three = Framed(LaBody(0, 3, true));
    desktop.Input(three.data(), three.size(), now);
    EXPECT_EQ(FillWindow(desktop).size(), 3u);
}

TEST_P(WindowTest, TheNewtonsWindowIsTakenInOneReadAndConfirmedOnce) {
    Connect();
    Bytes batch;
    for (uint8_t n = 1; n <= 5; ++n) {
        const uint8_t byte = static_cast<uint8_t>('0' + n);
        AppendFrame(LtBody(n, &byte, 1, true), batch);
    }
    // A duplicate of the fourth inside the same read.
    const uint8_t four = '4';
    AppendFrame(LtBody(4, &four, 1, true), batch);
    desktop.Input(batch.data(), batch.size(), now);
    EXPECT_EQ(Take(desktop), (Bytes{'1', '2', '3', '4', '5'}));
    ASSERT_GE(toNewton.size(), 1u);
    EXPECT_EQ(toNewton.back(), Framed(LaBody(5, 8, true))) << "the last one taken, and room for 8";
    EXPECT_EQ(desktop.stats().outOfSequence, 1u);
}

TEST_P(WindowTest, EachReadOfTheNewtonsFramesIsConfirmedWhenItEnds) {
    Connect();
    for (uint8_t n = 1; n <= 8; ++n) {
        const Bytes frame = Framed(LtBody(n, &n, 1, true));
        desktop.Input(frame.data(), frame.size(), now);
    }
    // One frame a read: each read ends with the line idle, and is confirmed.
    EXPECT_EQ(Count(toNewton, kLa), 8u);
    EXPECT_EQ(desktop.delivered().size(), 8u);
}

TEST_P(WindowTest, TheSequenceWrapsInTheMiddleOfAWindowAndALossThere) {
    Connect();
    Bytes data(254 * 253);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 253);
    SendAll(desktop, data);  // N(S) 1..254
    int lt = 0;
    toNewtonFilter = [&](Bytes& frame) { return !(IsLt(frame) && ++lt == 3); };  // N(S) 0 is lost
    const Bytes window = FillWindow(desktop, 'A');  // N(S) 255, 0, 1 .. 6
    Pump();
    Bytes expected = data;
    expected.insert(expected.end(), window.begin(), window.end());
    EXPECT_EQ(Take(newton), expected);
    EXPECT_TRUE(desktop.AllAcknowledged());
}

TEST_P(WindowTest, TheNewtonsKeepAliveIsAnswered) {
    Connect();
    toNewton.clear();
    const Bytes keepAlive = Framed(LaBody(0, 8, true));
    desktop.Input(keepAlive.data(), keepAlive.size(), now);
    ASSERT_EQ(toNewton.size(), 1u);
    EXPECT_EQ(toNewton.front(), Framed(LaBody(0, 8, true)));
    EXPECT_TRUE(desktop.CanSend()) << "and nothing else changed";
}

TEST_P(WindowTest, ANewtonThatOffersOneFrameGetsOne) {
    Bytes request = NewtonLinkRequest(1);
    const Bytes wire = Framed(request);
    desktop.Input(wire.data(), wire.size(), now);
    ASSERT_TRUE(desktop.Accept(now));
    ASSERT_EQ(toNewton.size(), 1u);
    EXPECT_EQ(toNewton.front(), Framed(DesktopLinkRequest(1)));
    EXPECT_EQ(desktop.window(), 1);
}

INSTANTIATE_TEST_SUITE_P(Window, WindowTest, ::testing::Values(8),
                         [](const auto& info) { return "K" + std::to_string(info.param); });

}  // namespace
}  // namespace zd::mnp
