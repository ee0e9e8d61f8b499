// The poll tick and the link buttons: what each tick shows, accepts and runs.
#include "link/poll_tick.h"
#include "conversation/conversation.h"

#include <gtest/gtest.h>

#include "link/link_manager.h"
#include "support/link_fixture.h"

namespace zd {
namespace {

using Lines = std::vector<std::string>;

constexpr const char* kListenLine = "Listening... press 'Connect' on the Zandorelle slip.";
constexpr const char* kPortLine = "Listening on serial port 0.";

class PollTickTest : public test::LinkFixture {};

TEST_F(PollTickTest, FirstTickListensOnceWhenAskedTo) {
    prefs.SetPrefInt(1, "listen");
    PollTick(session);
    EXPECT_EQ(display.Lines(), (Lines{kListenLine, kPortLine}));
    EXPECT_EQ(State(), kStateListening);
    EXPECT_EQ(session.poll.pendingAction, kGreet);

    Disconnect(session);
    display.log.clear();
    PollTick(session);
    PollTick(session);
    EXPECT_EQ(session.link.pipe, 0) << "no later tick listens by itself";
    EXPECT_TRUE(display.log.empty());
}

TEST_F(PollTickTest, WithoutListenOrPipeTheTickOnlyShowsNoConnection) {
    PollTick(session);
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(display.states, Lines{"(no connection)"});
    EXPECT_EQ(display.transits, Lines{""});
    EXPECT_EQ(session.poll.lastState, 5);
    EXPECT_FALSE(session.poll.startupListen);
}

TEST_F(PollTickTest, StartupListenFailureStillLeavesGreetPending) {
    prefs.SetPrefInt(1, "listen");
    nextNewton().FailOpenWith(kDilErrPermission);
    PollTick(session);
    EXPECT_EQ(display.Lines(), (Lines{kListenLine, "Couldn't listen for a connection.(-28012)"}));
    EXPECT_EQ(session.link.pipe, 0);
    EXPECT_EQ(session.poll.pendingAction, kGreet);
}

TEST_F(PollTickTest, ATypicalConnectionShowsEachStateOnceAndAcceptsOnce) {
    ButtonCommand(session, kButtonListen);
    PollTick(session);
    PollTick(session);
    newton().Connect();
    newton().Send("#YOOHOO\x04");  // early: the greeting finds it waiting
    PollTick(session);             // sees 4: accepts
    PollTick(session);             // sees 5: runs the pending greeting
    // The greeting shows "Connected" once more by itself.
    EXPECT_EQ(display.states, (Lines{"Listening", "Connect Pending", "Connected", "Connected"}));
    EXPECT_EQ(display.transits, (Lines{"", "", "8", "8"}));
    EXPECT_EQ(display.Lines(),
              (Lines{kListenLine, kPortLine, "Accepting...", "ZD is now working."}));
    EXPECT_EQ(session.poll.pendingAction, kNoAction);
    EXPECT_TRUE(session.link.handshakeDone);
}

TEST_F(PollTickTest, GreetStaysPendingUntilTheLinkIsConnected) {
    ButtonCommand(session, kButtonListen);
    for (int i = 0; i < 5; ++i) PollTick(session);
    EXPECT_EQ(session.poll.pendingAction, kGreet);
    newton().Connect();
    PollTick(session);
    EXPECT_EQ(session.poll.pendingAction, kGreet) << "the accepting tick read state 4";
    PollTick(session);
    EXPECT_EQ(session.poll.pendingAction, kGreet) << "a Newton may speak first";
    EXPECT_EQ(newton().received(), "");
    clock.Advance(kSpeakFirstMs);
    PollTick(session);
    EXPECT_EQ(session.poll.pendingAction, kNoAction);
    EXPECT_EQ(newton().received(), "#ID\x04");
}

TEST_F(PollTickTest, ANewPipesFirstStateIsShownWhateverItIs) {
    ButtonCommand(session, kButtonListen);
    newton().Connect();
    ASSERT_EQ(dil.CD_Accept(session.link.pipe), kDilOk);
    PollTick(session);
    EXPECT_EQ(display.states, Lines{"Connected"});
}

TEST_F(PollTickTest, ANewPipeInTheOldPipesLastStateShowsItsState) {
    ButtonCommand(session, kButtonListen);
    PollTick(session);  // "Listening"
    Disconnect(session);
    PollTick(session);  // "(no connection)"
    ButtonCommand(session, kButtonListen);
    PollTick(session);  // the new pipe listens, and says so
    EXPECT_EQ(display.states, (Lines{"Listening", "(no connection)", "Listening"}));
    newton().Connect();
    PollTick(session);
    EXPECT_EQ(display.states.back(), "Connect Pending");
}

TEST_F(PollTickTest, ListenWhileConnectedDropsThePipeWithoutGoodbyeAndGreetsAgain) {
    ConnectNewton();
    PollTick(session);
    MemoryPeer& first = newton();
    ASSERT_EQ(session.poll.pendingAction, kNoAction);
    ButtonCommand(session, kButtonListen);
    EXPECT_EQ(first.received().find("#BYE"), std::string::npos);
    EXPECT_TRUE(first.closed());
    EXPECT_EQ(State(), kStateListening);
    EXPECT_EQ(session.poll.pendingAction, kGreet);
}

TEST_F(PollTickTest, DisconnectWithoutPipeOnlySaysSo) {
    Disconnect(session);
    EXPECT_EQ(display.Lines(),
              Lines{"There is no pipe allocated, so I can't disconnect anything."});
    EXPECT_FALSE(session.link.busy);
}

TEST_F(PollTickTest, DisconnectConnectedSaysGoodbyeAndClearsEverything) {
    ConnectNewton();
    newton().OnWrite([](MemoryPeer& n, std::string_view) { n.Hangup(); });
    session.link.handshakeDone = true;
    session.poll.pendingAction = kGreet;
    display.log.clear();

    ButtonCommand(session, kButtonDisconnect);

    EXPECT_EQ(newton().received(), "#BYE\x04");
    EXPECT_EQ(display.Lines(), (Lines{"Disconnecting and disposing the pipe...",
                                      "The pipe has been disconnected and disposed."}));
    EXPECT_EQ(session.link.pipe, 0);
    EXPECT_FALSE(session.link.handshakeDone);
    EXPECT_FALSE(session.link.busy);
    EXPECT_EQ(session.poll.pendingAction, kNoAction);
}

TEST_F(PollTickTest, DisconnectOnADroppedLinkUsesTheAlreadyDisconnectedWording) {
    ConnectNewton();
    newton().Hangup();
    display.log.clear();
    Disconnect(session);
    EXPECT_EQ(display.Lines(), (Lines{"The pipe is already disconnected.  Disposing it...",
                                      "The pipe has been disconnected and disposed."}));
    EXPECT_EQ(session.link.pipe, 0);
}

TEST_F(PollTickTest, DisconnectWaitsABoundedTimeForANewtonThatStays) {
    ConnectNewton();
    const int64_t before = clock.now();
    Disconnect(session);
    EXPECT_GE(clock.now() - before, kLinkDropWaitMs);
    EXPECT_LT(clock.now() - before, kLinkDropWaitMs + 100);
    EXPECT_EQ(session.link.pipe, 0);
}

TEST_F(PollTickTest, ButtonsLogTheirLinesAndReachTheFrontEnd) {
    ButtonCommand(session, kButtonSendFile);  // the file dialog is cancelled
    ButtonCommand(session, kButtonPaste);     // with nothing on the clipboard
    ButtonCommand(session, kButtonStatusView);
    ButtonCommand(session, 3);  // no such button
    EXPECT_EQ(display.Lines(),
              (Lines{"Zandorelling...", "Special Paste.", "Must perform Copy operation first!"}));
    EXPECT_EQ(frontEnd.statusToggles, 1);
}

}  // namespace
}  // namespace zd
