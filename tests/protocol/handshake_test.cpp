// The greeting on a newly connected pipe, answer by answer.
#include "protocol/handshake.h"

#include <gtest/gtest.h>

#include "conversation/conversation.h"
#include "link/poll_tick.h"
#include "support/link_fixture.h"

namespace zd {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

class HandshakeTest : public test::LinkFixture {
protected:
    // Connects; the Newton answers "#ID" with `answer`; the pending greeting runs.
    void GreetWith(const std::string& answer) {
        ConnectNewton();
        newton().OnWrite([answer](MemoryPeer& n, std::string_view written) {
            if (written == "#ID\x04") n.Send(answer);
        });
        display.log.clear();
        PollTick(session);
    }

    int32_t Greetings() {
        int32_t count = 0;
        return prefs.GetPrefInt(count, "Connect");
    }
};

TEST_F(HandshakeTest, YoohooIsAnsweredAfterTheRestOfItsTextAndCounted) {
    GreetWith("#YOOHOO from a Newton MessagePad\x04#GET");
    EXPECT_EQ(newton().received(), "#ID\x04#Unknown;v0.3, Windows 95/NT;DATETIME\x04");
    EXPECT_TRUE(session.link.handshakeDone);
    EXPECT_EQ(display.Lines(), Lines{"ZD is now working."});
    EXPECT_EQ(display.states.back(), "Connected");
    EXPECT_EQ(Greetings(), 1);
    int32_t left = 0;
    dil.CD_BytesAvailable(session.link.pipe, &left);
    EXPECT_EQ(left, 4) << "bytes after the greeting's EOT are kept";
}

TEST_F(HandshakeTest, AnIdAnswerGetsTheLongerIdentificationAndLeavesTheFlag) {
    GreetWith("#ID:abc");
    EXPECT_EQ(newton().received(), "#ID\x04#Unknown;v1.0, Windows 95/NT;DATETIME\x04\0"s);
    EXPECT_EQ(newton().received().size(), 4u + 39u);
    EXPECT_FALSE(session.link.handshakeDone);
    EXPECT_EQ(display.Lines(), Lines{"Connected via ID."});
    EXPECT_EQ(Greetings(), 0);
    EXPECT_EQ(State(), kStateConnected);
}

TEST_F(HandshakeTest, AnyOtherAnswerEndsThePipeWithoutGoodbye) {
    for (const std::string& answer : {"#YOOHOo"s, "#YOOHO\x04"s, "#IDX:ab"s, "\0#YOOHOO"s}) {
        GreetWith(answer);
        EXPECT_EQ(newton().received(), "#ID\x04") << answer;
        EXPECT_TRUE(newton().closed());
        EXPECT_EQ(session.link.pipe, 0);
        EXPECT_EQ(display.Lines(), Lines{"Didn't get '#ID:' response; disconnecting..."});
    }
}

TEST_F(HandshakeTest, ASilentNewtonCountsAsAWrongAnswer) {
    session.link.handshakeDone = true;  // left over from an earlier pipe
    GreetWith("#YOO");                  // and then nothing
    EXPECT_EQ(session.link.pipe, 0);
    EXPECT_FALSE(session.link.handshakeDone);
}

TEST_F(HandshakeTest, AFailedIdentificationStillCountsTheGreeting) {
    ConnectNewton();
    newton().OnWrite([](MemoryPeer& n, std::string_view written) {
        if (written == "#ID\x04") {
            n.Send("#YOOHOO\x04");
            n.FailWritesWith(kDilErrLinkDropped, 1);
        }
    });
    PollTick(session);
    EXPECT_FALSE(session.link.handshakeDone);
    EXPECT_EQ(Greetings(), 1);
    EXPECT_EQ(State(), kStateConnected) << "the pipe stays";
}

}  // namespace
}  // namespace zd
