// The desktop's side of the Connection application's full connection: the
// greeting and the password step message by message, keyboard passthrough
// started from either side, and every way the Newton can get it wrong: a
// password, silence, messages out of order, unknown or impossible ones.
#include "dock/full_connection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "dock/full_connection_fixture.h"
#include "dock/keyboard_text.h"
#include "dock/password.h"

namespace zd::dock {
namespace {

using namespace std::string_literals;
using Notes = std::vector<std::string>;

// The owner's name as the Newton's "name" message has it.
std::string NameData(const std::u16string& owner) {
    std::string data = BigEndian32(4) + "\x01\x02\x03\x04"s;
    for (char16_t c : owner + u'\0') data += {static_cast<char>(c >> 8), static_cast<char>(c)};
    return data;
}

std::string Utf16(const std::u16string& text) {
    std::string bytes;
    for (char16_t c : text) bytes += {static_cast<char>(c >> 8), static_cast<char>(c)};
    return bytes;
}

class FullConnectionTest : public FullConnectionFixture {
protected:
    void Connect() { FullConnectionFixture::Connect(NameData(u"Åsa")); }
};

TEST_F(FullConnectionTest, TheGreetingGoesStepByStepToTheConnection) {
    NewtonSays("rtdk", BigEndian32(9));
    auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, "dock");
    EXPECT_EQ(sent[0].data, BigEndian32(0)) << "no session yet";

    NewtonSays("name", NameData(u"Åsa Ørnskjöld"));
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, "dinf");
    const std::string newtonsAnswer = NewtonsAnswer(sent);
    const std::string& info = sent[0].data;
    EXPECT_EQ(info.substr(0, 8), BigEndian32(10) + BigEndian32(0)) << "version 10, a Macintosh";
    EXPECT_EQ(info.substr(16, 8), BigEndian32(1) + BigEndian32(0));
    EXPECT_EQ(info.substr(24, 28),
              "\x02\x05\x01\x06\x03\x07\x02id\x07\x04name\x07\x07version\x00\x08\x08\x16"s);
    EXPECT_EQ(info.substr(52), Utf16(u"Zandorelle") + "\0\0\x00\x04"s);

    NewtonSays("ninf", BigEndian32(9) + kChallenge);
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, "wicn");
    EXPECT_EQ(ReadBigEndian32(sent[0].data), 0x35u) << "Backup, Install, Synchronise, Keyboard";

    NewtonSays("dres", BigEndian32(0));
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, "stim");
    EXPECT_EQ(ReadBigEndian32(sent[0].data), 30u);

    NewtonSays("dres", BigEndian32(0));  // a Newton that confirms the timeout too
    NewtonSays("pass", newtonsAnswer);
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, "pass");
    EXPECT_EQ(sent[0].data, "\xF6\xEB\xA1\x37\xF3\x69\x9E\xA5"s);
    connection.Tick(now += 499);
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kGreeting) << "a refusal may still come";
    connection.Tick(now += 1);
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kConnected);
    EXPECT_EQ(connection.owner(), "Åsa Ørnskjöld");
    EXPECT_EQ(connection.TakeNotes(),
              (Notes{"Connected to Åsa Ørnskjöld's Newton.",
                     "Offered on the Newton: Backup, Install, Synchronise, Keyboard.",
                     "The Newton's Connection is ready: what you send is typed on it."}));
}

// The Newton's refusals, as the protocol's description numbers them.
const std::string kTryAgain = BigEndian32(static_cast<uint32_t>(-28023));
const std::string kLastTry = BigEndian32(static_cast<uint32_t>(-28022));

TEST_F(FullConnectionTest, ANewtonWithAPasswordIsAskedForItBeforeATryIsSpent) {
    NewtonSays("rtdk", BigEndian32(9));
    NewtonSays("name", NameData(u"Åsa"));
    const std::string newtonsAnswer = NewtonsAnswer(Sent(), "hemligt");
    NewtonSays("ninf", BigEndian32(9) + kChallenge);
    NewtonSays("dres", BigEndian32(0));
    (void)Sent();
    (void)connection.TakeNotes();
    NewtonSays("pass", newtonsAnswer);
    EXPECT_TRUE(Sent().empty()) << "no empty answer: it would spend one of the Newton's tries";
    EXPECT_TRUE(connection.passwordWanted());
    EXPECT_EQ(connection.TakeNotes(), Notes{"The Newton asks for its Connection password."});
    connection.GivePassword(Secret("fel"), now);
    EXPECT_EQ(Sent()[0].data, PasswordAnswer(kChallenge, "fel"));
    NewtonSays("dres", kTryAgain);
    EXPECT_EQ(connection.TakeNotes(), Notes{"The Newton refused that password (2 tries left)."});
    connection.GivePassword(Secret("hemligt"), now);
    connection.Tick(now += 500);
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kConnected);
}

TEST_F(FullConnectionTest, ARefusedPasswordIsAskedForAndAnsweredToTheSameChallenge) {
    Connect();
    NewtonSays("dres", kTryAgain);
    EXPECT_TRUE(connection.passwordWanted());
    EXPECT_EQ(connection.passwordQuestions(), 1u);
    EXPECT_EQ(connection.TakeNotes(), Notes{"The Newton refused that password (2 tries left)."});
    connection.GivePassword(Secret("fel"), now);
    auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].data, PasswordAnswer(kChallenge, "fel"));
    NewtonSays("dres", kTryAgain);
    connection.GivePassword(Secret("fel"), now);
    EXPECT_TRUE(Sent().empty()) << "never the same wrong answer twice";
    EXPECT_EQ(connection.passwordQuestions(), 3u);
    connection.GivePassword(Secret("Åsa"), now);
    EXPECT_EQ(Sent()[0].data, PasswordAnswer(kChallenge, "Åsa"));
    EXPECT_FALSE(connection.TakePasswordAccepted());
    connection.Tick(now += 1000);
    EXPECT_TRUE(connection.TakePasswordAccepted()) << "no refusal within a second";
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kConnected);
}

TEST_F(FullConnectionTest, ANewtonThatSaysTryAgainForeverIsNotAskedAboutForever) {
    Connect();
    NewtonSays("dres", kTryAgain);
    for (int i = 0; i < 20000; ++i) NewtonSays("dres", kTryAgain);
    EXPECT_EQ(connection.TakeNotes().size(), 1u) << "one question, however often it is said";
    EXPECT_EQ(connection.passwordQuestions(), 1u);
    connection.GivePassword(Secret("ett"), now);
    NewtonSays("dres", kTryAgain);
    connection.GivePassword(Secret("två"), now);
    NewtonSays("dres", kTryAgain);
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kEnded) << "three tries are all";
    EXPECT_EQ(connection.TakeNotes().back(), "The Newton refused the password.");
}

TEST_F(FullConnectionTest, ThePasswordStepEndsWithOneLine) {
    const struct {
        const char* what;
        std::function<void(FullConnection&)> step;
        const char* line;
    } cases[] = {
        {"the last try", [&](FullConnection&) { NewtonSays("dres", kLastTry); },
         "The Newton refused the password."},
        {"the user gave up",
         [](FullConnection& c) { c.WithholdPassword("The Newton refused the password."); },
         "The Newton refused the password."},
        {"nobody answered",
         [&](FullConnection& c) {
             for (int i = 0; i < 3; ++i) c.Tick(now += 10000);
         },
         "No password was given within the Newton's 30 s; the connection has ended."},
    };
    for (const auto& [what, step, line] : cases) {
        connection = FullConnection(now);
        Connect();
        NewtonSays("dres", kTryAgain);
        (void)connection.TakeNotes();
        step(connection);
        EXPECT_EQ(connection.phase(), FullConnection::Phase::kEnded) << what;
        EXPECT_EQ(connection.TakeNotes().back(), line) << what;
        const auto commands = SentCommands();
        EXPECT_EQ(commands.back(), "disc") << what;
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "pass"), 0) << what;
    }
}

TEST_F(FullConnectionTest, TheDesktopOpensTheKeyboardAndTypesAsTheNewtonShowsIt) {
    Connect();
    EXPECT_EQ(connection.Type("Hej då\r\nå é ü € “ ”\nslut", now), 23u);
    EXPECT_EQ(SentCommands(), (std::vector<std::string>{"dsnc", "kybd"}));
    EXPECT_EQ(connection.waiting(), 23u) << "nothing is typed before the keyboard is open";
    NewtonSays("kybd");
    auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, "kbds");
    EXPECT_EQ(sent[0].data, Utf16(u"Hej då\rå é ü € “ ”\rslut") + "\0\0"s);
    EXPECT_EQ(connection.typed(), 23u);
    connection.PressKey(kBackspaceKey, now);
    connection.CloseKeyboard(now);
    sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].command, "kbdc");
    EXPECT_EQ(sent[0].data, "\x00\x08\x00\x00"s);
    EXPECT_EQ(sent[1].command, "opdn");
    EXPECT_EQ(connection.keyboard(), FullConnection::Keyboard::kClosed);
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kConnected) << "the connection stays";
}

TEST_F(FullConnectionTest, TheNewtonOpensTheKeyboardAndTextGoesStraightToIt) {
    Connect();
    NewtonSays("kybd");
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"kybd"});
    EXPECT_EQ(connection.TakeNotes(),
              Notes{"The Newton's keyboard is open: what you send is typed on it."});
    connection.Type(std::string(600, 'x'), now);
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 3u) << "pieces of a few hundred characters";
    EXPECT_EQ(sent[0].data.size(), 2 * kPieceCharacters + 2);
    EXPECT_EQ(sent[2].data.size(), 2 * 88u + 2);
    NewtonSays("opca");
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"ocaa"});
    EXPECT_EQ(connection.keyboard(), FullConnection::Keyboard::kClosed);
}

TEST_F(FullConnectionTest, ACancelInTheMiddleOfAPasteSaysWhatWasNotTyped) {
    Connect();
    connection.Type(std::string(1000, 'x'), now);
    NewtonSays("kybd");
    ASSERT_TRUE(connection.NextMessage(now));  // dsnc
    ASSERT_TRUE(connection.NextMessage(now));  // kybd
    ASSERT_TRUE(connection.NextMessage(now));  // the first piece
    NewtonSays("opca");
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"ocaa"});
    EXPECT_EQ(connection.typed(), kPieceCharacters);
    EXPECT_EQ(connection.waiting(), 0u);
    EXPECT_EQ(connection.TakeNotes(),
              Notes{"The Newton closed its keyboard; 744 characters were not typed."});
}

TEST_F(FullConnectionTest, AKeyboardThatNeverOpensGivesUpAfterTheTimeout) {
    Connect();
    connection.Type("lost", now);
    (void)Sent();
    now += 29999;
    connection.Tick(now);
    EXPECT_EQ(connection.waiting(), 4u);
    now += 1;
    connection.Tick(now);
    EXPECT_EQ(connection.waiting(), 0u);
    EXPECT_EQ(connection.keyboard(), FullConnection::Keyboard::kClosed);
    EXPECT_EQ(connection.TakeNotes(),
              Notes{"The Newton did not open its keyboard within 30 s; 4 characters were not "
                    "typed."});
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kConnected);
}

TEST_F(FullConnectionTest, AnIdleConnectionSaysHelloBeforeTheNewtonsPatienceEnds) {
    Connect();
    now += kHelloMs - 1;
    connection.Tick(now);
    EXPECT_TRUE(SentCommands().empty());
    now += 1;
    connection.Tick(now);
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"helo"});
    NewtonSays("helo");
    EXPECT_TRUE(SentCommands().empty()) << "the Newton's hello asks for nothing";
}

TEST_F(FullConnectionTest, ASilentNewtonInTheGreetingEndsItAfterTheTimeout) {
    NewtonSays("rtdk", BigEndian32(9));
    (void)Sent();
    now += 30000;
    connection.Tick(now);
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"disc"});
    EXPECT_EQ(connection.TakeNotes(),
              Notes{"The Newton did not answer within 30 s; the connection has ended."});
}

TEST_F(FullConnectionTest, WhatTheNewtonGetsWrongEndsOrIsRefusedWithALine) {
    NewtonSays("rtdk", BigEndian32(9));
    NewtonSays("ninf", BigEndian32(9) + kChallenge);
    EXPECT_EQ(SentCommands(), (std::vector<std::string>{"dock", "disc"}));
    EXPECT_EQ(connection.TakeNotes(),
              Notes{"The Newton said \"ninf\" where its Connection application says \"name\"; "
                    "the connection has ended."});

    FullConnection huge(now);
    huge.Receive("newtdock\x1B[2J\xFF\xFF\xFF\xFF"s, now);
    EXPECT_EQ(huge.phase(), FullConnection::Phase::kEnded);
    EXPECT_EQ(huge.TakeNotes(),
              Notes{"The Newton sent something that is no Dock message (a \"?[2J\" message of "
                    "4294967295 bytes); the connection has ended."})
        << "a terminal's escape is shown, not obeyed";
}

TEST_F(FullConnectionTest, AFloodOfUnknownCommandsIsAnsweredOnceAndCounted) {
    Connect();
    NewtonSays("rins");
    std::string flood;
    for (int i = 0; i < 3999; ++i)
        flood += Encode(std::string("zz") + char('a' + i % 26) + 'q', "");
    connection.Receive(flood, now);
    EXPECT_EQ(Sent().size(), 1u);
    EXPECT_EQ(connection.TakeNotes(),
              Notes{"The Newton sent \"rins\", which Zandorelle does not know; it was told so."});
    connection.Tick(now += 1000);
    EXPECT_EQ(connection.TakeNotes(), Notes{"\u2026 and 3,999 more."});
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kConnected);
}

TEST_F(FullConnectionTest, WhatTheNewtonDoesNotUnderstandEndsTheOperation) {
    Connect();
    connection.Type("Hej då", now);
    EXPECT_EQ(SentCommands(), (std::vector<std::string>{"dsnc", "kybd"}));
    NewtonSays("unkn", "dsnc");
    EXPECT_EQ(connection.keyboard(), FullConnection::Keyboard::kClosed);
    EXPECT_EQ(connection.TakeNotes(),
              Notes{"The Newton does not understand \"dsnc\"; 6 characters were not typed."});
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kConnected);

    FullConnection greeting(now);
    greeting.Receive(Encode("rtdk", BigEndian32(9)) + Encode("unkn", "dock"), now);
    EXPECT_EQ(greeting.phase(), FullConnection::Phase::kEnded);
    EXPECT_EQ(greeting.TakeNotes().back(),
              "The Newton does not understand \"dock\"; the connection has ended.");
}

TEST_F(FullConnectionTest, TheNewtonsGoodbyeEndsItWithoutOne) {
    Connect();
    connection.Type("never", now);
    (void)Sent();
    NewtonSays("disc");
    EXPECT_TRUE(SentCommands().empty());
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kEnded);
    EXPECT_EQ(connection.TakeNotes(),
              Notes{"The Newton ended the connection; 5 characters were not typed."});
}

TEST(KeyboardText, LineEndsGoAsOneReturnAndWhatTheNewtonLacksAsAQuestionMark) {
    const KeyboardText text = ToKeyboardText(
        "a\r\nb\nc\rd\xF0\x9F\x98\x80"
        "e\xFF"
        "f\0g"s);
    ASSERT_EQ(text.pieces.size(), 1u);
    EXPECT_EQ(text.pieces[0], Utf16(u"a\rb\rc\rd?e?fg") + "\0\0"s);
    EXPECT_EQ(text.characters[0], 12u);
    EXPECT_EQ(text.replaced, 2u);
    EXPECT_EQ(text.zeros, 1u);
    EXPECT_TRUE(ToKeyboardText("").pieces.empty());
}

}  // namespace
}  // namespace zd::dock
