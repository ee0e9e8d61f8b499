// The one place that chooses the conversation: a Newton that speaks first in
// the Dock protocol gets the full connection and every way the user sends
// text goes through its keyboard; a silent one is greeted as the Zandorelle
// package and keeps that road; packages waiting keep their own session.
#include "conversation/conversation.h"

#include <gtest/gtest.h>

#include "base/unicode.h"
#include "dock/dock_message.h"
#include "dock/password.h"
#include "link/poll_tick.h"
#include "support/link_fixture.h"

namespace zd {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

// The Newton's Connection application in memory: it answers each step of the
// full connection and keeps what is typed on it.
struct ConnectionNewton {
    explicit ConnectionNewton(MemoryPeer& peer) {
        peer.OnWrite([this](MemoryPeer& n, std::string_view written) {
            reader.Feed(written);
            while (auto message = reader.Next()) Answer(n, *message);
        });
    }
    void Answer(MemoryPeer& n, const dock::Message& message) {
        commands.push_back(message.command);
        const auto say = [&n](std::string_view command, const std::string& data = "") {
            n.Send(dock::Encode(command, data));
        };
        if (message.command == "dock") say("name", dock::BigEndian32(0) + "\0A\0s\0a\0\0"s);
        if (message.command == "dinf") {
            desktopChallenge = message.data.substr(8, 8);
            say("ninf", dock::BigEndian32(9) + std::string(8, '\1'));
        }
        if (message.command == "wicn") say("dres", dock::BigEndian32(0));
        // Without a password, as its answer to the desktop's challenge says.
        if (message.command == "stim") say("pass", dock::PasswordAnswer(desktopChallenge));
        if (message.command == "kybd") say("kybd");
        if (message.command == "kbds") typed += Utf16BeToUtf8(message.data);
    }
    dock::Reader reader{1 << 20};
    std::vector<std::string> commands;
    std::string typed;
    std::string desktopChallenge;
};

class ConversationTest : public test::LinkFixture {
protected:
    // Listen; the Newton connects and says "rtdk" at once.
    void ConnectConnection() {
        ButtonCommand(session, kButtonListen);
        newton().Connect();
        newton().Send(dock::Encode("rtdk", dock::BigEndian32(9)));
        dockNewton = std::make_unique<ConnectionNewton>(newton());
        PollTick(session);   // accepts
        PollTick(session);   // the Newton spoke first
        clock.Advance(500);  // and took the password answer without a word
        PollTick(session);
        ASSERT_TRUE(TypingPossible(session)) << display.log;
        display.log.clear();
    }
    std::unique_ptr<ConnectionNewton> dockNewton;
};

TEST_F(ConversationTest, ANewtonThatSpeaksTheDockProtocolFirstGetsTheFullConnection) {
    ConnectConnection();
    EXPECT_EQ(newton().received().find("#ID"), std::string::npos) << "never greeted";
    EXPECT_EQ(dockNewton->commands,
              (std::vector<std::string>{"dock", "dinf", "wicn", "stim", "pass"}));
    EXPECT_FALSE(session.link.handshakeDone);
}

TEST_F(ConversationTest, EveryWayOfSendingTypesOnTheNewton) {
    ConnectConnection();
    desktop.clipboard = "Räksmörgås\n";
    ButtonCommand(session, kButtonPaste);
    EXPECT_EQ(dockNewton->typed, "Räksmörgås\r");
    OnTextDropped(session, "och kaffe");
    test::WriteFile(dir.File("Lista.txt"), "mjölk, ägg");
    desktop.fileToSend = dir.File("Lista.txt");
    ButtonCommand(session, kButtonSendFile);
    test::WriteFile(dir.File("Mer.txt"), "; bröd");
    OnFilesDropped(session, {dir.File("Mer.txt")});
    EXPECT_EQ(dockNewton->typed, "Räksmörgås\roch kaffemjölk, ägg; bröd");
    EXPECT_EQ(display.Lines(), (Lines{"Typing the clipboard on the Newton (11 characters)…",
                                      "Typed 11 characters on the Newton.",
                                      "Typing the dropped text on the Newton (9 characters)…",
                                      "Typed 9 characters on the Newton.",
                                      "Typing Lista.txt on the Newton (10 characters)…",
                                      "Typed 10 characters on the Newton.",
                                      "Typing Mer.txt on the Newton (6 characters)…",
                                      "Typed 6 characters on the Newton."}));
    EXPECT_EQ(std::count(dockNewton->commands.begin(), dockNewton->commands.end(), "opdn"), 4)
        << "the keyboard opened for each text closes after it";
    EXPECT_FALSE(session.link.busy);
}

TEST_F(ConversationTest, WhatIsNoTextFileIsRefusedOnTheKeyboardRoadToo) {
    ConnectConnection();
    test::WriteFile(dir.File("picture.png"), "\x89PNG\r\n\x1A\n\0\0\0\rIHDR"s);
    OnFilesDropped(session, {dir.File("picture.png"), dir.File("missing.txt")});
    EXPECT_EQ(display.Lines(),
              (Lines{dir.File("picture.png") +
                         ": this is no text file (it holds NUL characters); nothing was sent.",
                     dir.File("missing.txt") + ": No such file or directory; nothing was sent."}));
    EXPECT_EQ(dockNewton->typed, "");
}

TEST_F(ConversationTest, DisconnectSaysTheConnectionsGoodbyeNotThePackages) {
    ConnectConnection();
    ButtonCommand(session, kButtonDisconnect);
    EXPECT_EQ(dockNewton->commands.back(), "disc");
    EXPECT_EQ(newton().received().find("#BYE"), std::string::npos);
    EXPECT_EQ(session.link.pipe, 0);
    PollTick(session);
    EXPECT_FALSE(session.dock.running) << "let go with its pipe";
}

TEST_F(ConversationTest, ASilentNewtonIsGreetedAsThePackageAndKeepsItsRoad) {
    GreetNewton();
    EXPECT_FALSE(TypingPossible(session));
    OnFilesDropped(session, {dir.File("whatever.txt")});
    EXPECT_EQ(display.Lines(), Lines{"Here"});
    TypeText(session, "hallå");
    EXPECT_EQ(display.Lines(),
              (Lines{"Here",
                     "The Zandorelle package is connected; typing on the Newton takes "
                     "its Connection application instead."}));
}

}  // namespace
}  // namespace zd
