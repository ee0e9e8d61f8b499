// The link manager: which pipe is made, how it ends, and what the log says.
#include "link/link_manager.h"

#include <gtest/gtest.h>

#include "conversation/conversation.h"
#include "link/poll_tick.h"
#include "support/link_fixture.h"

namespace zd {
namespace {

using Lines = std::vector<std::string>;

class LinkManagerTest : public test::LinkFixture {};

// The Newton drops the link as soon as it is told goodbye.
void HangUpOnBye(MemoryPeer& newton, std::string_view written) {
    if (written == "#BYE\x04") newton.Hangup();
}

TEST_F(LinkManagerTest, PortPreferenceChoosesThePipe) {
    OpenPipe(session);  // absent: serial slot 0
    prefs.SetPrefInt(2, "port");
    OpenPipe(session);
    prefs.SetPrefInt(-1, "port");
    OpenPipe(session);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].kind, PipeKind::kSerial);
    EXPECT_EQ(requests[0].serialPort, 0);
    EXPECT_EQ(requests[1].kind, PipeKind::kSerial);
    EXPECT_EQ(requests[1].serialPort, 2);
    EXPECT_EQ(requests[2].kind, PipeKind::kNetwork);
    EXPECT_EQ(State(), kStateListening);
}

TEST_F(LinkManagerTest, OpenPipeOverAConnectedPipeDropsItWithoutGoodbye) {
    ConnectNewton();
    MemoryPeer& first = newton();
    session.link.handshakeDone = true;
    display.log.clear();

    OpenPipe(session);

    EXPECT_EQ(display.Lines(),
              (Lines{"(Disconnecting and disposing the previously active connection first)",
                     "Listening on serial port 0."}))
        << "a port no device stands for is named by its slot";
    EXPECT_EQ(first.received(), "");
    EXPECT_TRUE(first.closed());
    EXPECT_EQ(State(), kStateListening);
    EXPECT_FALSE(session.link.handshakeDone) << "the new pipe's Newton must be greeted first";
}

TEST_F(LinkManagerTest, FailedCreateIsLoggedWithItsCodeAndLeavesNoPipe) {
    FailNextCreate();
    OpenPipe(session);
    EXPECT_EQ(session.link.pipe, 0);
    EXPECT_EQ(display.Lines(), Lines{"Couldn't create the pipe.(-28009)"});
    // The message and the code are separate requests: the text, then the code line.
    EXPECT_EQ(display.pieces, (Lines{"Couldn't create the pipe.", "(-28009)", "\r\n"}));
}

TEST_F(LinkManagerTest, FailedListenIsLoggedAndThePipeDisposed) {
    nextNewton().FailOpenWith(kDilErrAddressInUse);
    OpenPipe(session);
    EXPECT_EQ(session.link.pipe, 0);
    EXPECT_TRUE(newton().closed());
    EXPECT_EQ(display.Lines(), Lines{"Couldn't listen for a connection.(-28010)"});
}

TEST_F(LinkManagerTest, ClosePipeWithoutPipeOnlyClearsTheFlags) {
    session.link.handshakeDone = true;
    session.link.busy = true;
    session.poll.pendingAction = kGreet;
    ClosePipe(session);
    EXPECT_FALSE(session.link.handshakeDone);
    EXPECT_FALSE(session.link.busy);
    EXPECT_EQ(session.poll.pendingAction, kGreet);
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(display.log.empty());
}

TEST_F(LinkManagerTest, ClosePipeSaysGoodbyeAndEndsWhenTheNewtonDrops) {
    ConnectNewton();
    newton().OnWrite(HangUpOnBye);
    session.link.handshakeDone = true;
    display.log.clear();
    const int64_t before = clock.now();

    ClosePipe(session);

    EXPECT_EQ(newton().received(), "#BYE\x04");
    EXPECT_TRUE(newton().closed());
    EXPECT_EQ(session.link.pipe, 0);
    EXPECT_FALSE(session.link.handshakeDone);
    EXPECT_EQ(display.Lines(), Lines{"Disconnecting pipe."});
    EXPECT_LT(clock.now() - before, 100) << "no wait once the link has dropped";
}

TEST_F(LinkManagerTest, ClosePipeWhileBusySendsNoGoodbyeAndWaitsABoundedTime) {
    ConnectNewton();
    session.link.busy = true;
    const int64_t before = clock.now();

    ClosePipe(session);  // this Newton never drops the link

    EXPECT_EQ(newton().received(), "");
    const int64_t waited = clock.now() - before;
    EXPECT_GE(waited, kLinkDropWaitMs);
    EXPECT_LT(waited, kLinkDropWaitMs + 100);
    EXPECT_EQ(session.link.pipe, 0);
    EXPECT_TRUE(newton().closed());
    EXPECT_FALSE(session.link.busy);
}

TEST_F(LinkManagerTest, StopLinkEndsThePipeAndShutsTheDilDown) {
    ConnectNewton();
    newton().OnWrite(HangUpOnBye);
    const CD_Handle old = session.link.pipe;
    StopLink(session);
    EXPECT_EQ(newton().received(), "#BYE\x04");
    EXPECT_EQ(session.link.pipe, 0);
    EXPECT_EQ(dil.CD_GetState(old), kDilErrBadPipe);
    CD_Handle pipe = 0;
    EXPECT_EQ(dil.CD_CreateADSP(&pipe, nullptr, "Zandorelle"), kDilErrNotStarted);
}

}  // namespace
}  // namespace zd
