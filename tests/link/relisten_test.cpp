// Listening again by itself, for unattended use.
#include "link/relisten.h"

#include <gtest/gtest.h>

#include "conversation/conversation.h"
#include "link/poll_tick.h"
#include "session/core.h"
#include "support/link_fixture.h"

namespace zd {
namespace {

class RelistenTest : public test::LinkFixture {
protected:
    void SetUp() override {
        PollTick(session);  // the start-up listen has had its turn ("listen" is off)
    }
};

TEST_F(RelistenTest, OffUnlessAskedFor) {
    ConfigureRelisten(session, false);
    RelistenIfEnded(session);
    EXPECT_EQ(session.link.pipe, 0);
    prefs.SetPrefInt(1, "Relisten");
    ConfigureRelisten(session, false);
    EXPECT_TRUE(session.poll.relisten);
}

TEST_F(RelistenTest, ListensAgainWhenThePipeIsGoneOrDropped) {
    ConfigureRelisten(session, true);
    RelistenIfEnded(session);
    ASSERT_NE(session.link.pipe, 0);
    EXPECT_EQ(session.poll.pendingAction, kGreet);
    newton().Connect();
    PollTick(session);
    newton().Hangup();  // the Newton goes away
    display.log.clear();
    RelistenIfEnded(session);
    EXPECT_EQ(display.Lines(),
              (std::vector<std::string>{"Listening... press 'Connect' on the Zandorelle slip.",
                                        "(Disconnecting and disposing the previously active "
                                        "connection first)",
                                        "Listening on serial port 0."}));
    EXPECT_EQ(State(), kStateListening);
}

TEST_F(RelistenTest, AFailedListenIsRetriedNotAtEveryTick) {
    ConfigureRelisten(session, true);
    nextNewton().FailOpenWith(kDilErrAddressInUse);
    RelistenIfEnded(session);
    const size_t tries = requests.size();
    RelistenIfEnded(session);
    RelistenIfEnded(session);
    EXPECT_EQ(requests.size(), tries) << "not again within the retry time";
    clock.Advance(kRelistenRetryMs);
    RelistenIfEnded(session);
    EXPECT_EQ(requests.size(), tries + 1);
    EXPECT_EQ(State(), kStateListening);
}

TEST_F(RelistenTest, AListeningOrConnectedPipeIsLeftAlone) {
    ConfigureRelisten(session, true);
    ConnectNewton();
    const CD_Handle pipe = session.link.pipe;
    RelistenIfEnded(session);
    EXPECT_EQ(session.link.pipe, pipe);
}

}  // namespace
}  // namespace zd
