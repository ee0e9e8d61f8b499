// Text typed on a Newton without our package, through its Connection
// application that newton-sim plays: the full connection over a serial line,
// an emulator's MNP over TCP and a network Newton's plain TCP, the keyboard
// opened from either side, a text in real languages arriving as it was
// written, and the Newtons that refuse, cancel, vanish, dawdle or ask for what
// we do not answer, each leaving the program ready for the next one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <memory>

#include "support/sim_newton.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

using test::Line;

// Swedish, French, German and the typographer's quotes, with both line ends.
constexpr const char* kNote = "Hej då!\r\nå é ü € “citat”\nÄrlig Übung\n";
constexpr const char* kTyped = "Hej då!\nå é ü € “citat”\nÄrlig Übung\n";

class KeyboardTest : public ::testing::Test {
protected:
    // newton-sim as Connection on `line` with `extra`, typing into "typed".
    void PrepareNewton(Line line, std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), {"--timeout", "30"});
        extra.insert(extra.end(), {"--connection", dir.File("typed")});
        newton = std::make_unique<test::SimNewton>(line, extra, dir.File("z.INI"));
    }
    // The headless program, listening for the Newton, connected to it.
    std::unique_ptr<test::Subprocess> StartConnected(const std::vector<std::string>& args = {}) {
        return newton->StartConnectedProgram(dir.File("z.INI"), args);
    }
    void Quit(test::Subprocess& program) {
        program.Write("quit\n");
        EXPECT_EQ(program.WaitForExit(10000), 0);
    }

    test::TempDir dir;
    std::unique_ptr<test::SimNewton> newton;
};

class OnEveryLine : public KeyboardTest, public ::testing::WithParamInterface<Line> {};

TEST_P(OnEveryLine, AFileAndADropArriveAsTypedAndTheConnectionEndsInOrder) {
    test::WriteFile(dir.File("Anteckning.txt"), kNote);
    PrepareNewton(GetParam());
    auto program = StartConnected();
    program->Write("type-file " + dir.File("Anteckning.txt") + "\n");
    ASSERT_TRUE(program->WaitForStdout("Typed 36 characters on the Newton.\n", 15000))
        << program->out();
    program->Write("drop och så vidare\n");
    ASSERT_TRUE(program->WaitForStdout("Typed 13 characters on the Newton.\n", 15000))
        << program->out();
    program->Write("disconnect\n");
    EXPECT_EQ(newton->process().WaitForExit(10000), 0) << newton->process().err();
    EXPECT_EQ(test::ReadFile(dir.File("typed")), std::string(kTyped) + "och så vidare");
    Quit(*program);

    const std::string& log = program->out();
    EXPECT_NE(log.find("Connected to Åsa Ørnskjöld's Newton.\nOffered on the Newton: Backup, "
                       "Install, Synchronise, Keyboard.\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Typing Anteckning.txt on the Newton (36 characters)…\n"),
              std::string::npos);
    EXPECT_NE(newton->process().err().find("newton-sim: icons 53\n"), std::string::npos);
    EXPECT_EQ(log.find("ZD is now working."), std::string::npos) << "no companion greeting";
}

INSTANTIATE_TEST_SUITE_P(Lines, OnEveryLine,
                         ::testing::Values(Line::kSerial, Line::kEmulator, Line::kNetwork),
                         [](const auto& info) { return test::LineName(info.param); });

TEST_F(KeyboardTest, TheNewtonOpensItsKeyboardAndItStaysOpenAfterTheText) {
    PrepareNewton(Line::kSerial, {"--open-keyboard"});
    auto program = StartConnected();
    ASSERT_TRUE(program->WaitForStdout(
        "The Newton's keyboard is open: what you send is typed on it.\n", 10000))
        << program->out();
    program->Write("paste Grüße aus Köln\n");
    ASSERT_TRUE(program->WaitForStdout("Typed 14 characters on the Newton.\n", 10000))
        << program->out();
    program->Write("type , und tschüss\n");
    ASSERT_TRUE(program->WaitForStdout("Typed 13 characters on the Newton.\n", 10000));
    program->Write("disconnect\n");
    EXPECT_EQ(newton->process().WaitForExit(10000), 0) << newton->process().err();
    EXPECT_EQ(test::ReadFile(dir.File("typed")), "Grüße aus Köln, und tschüss");
    EXPECT_EQ(newton->process().err().find("typed 14 characters"), std::string::npos)
        << "the keyboard its user opened was not closed in between";
    Quit(*program);
}

TEST_F(KeyboardTest, ANewtonWithAPasswordNobodyGivesIsLeftWithItsLine) {
    PrepareNewton(Line::kSerial, {"--password", "hemligt"});
    test::Subprocess program({ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
    program.Write("listen\n");
    EXPECT_TRUE(
        program.WaitForStdout("The Newton asks for its Connection password: give it with "
                              "--password-file FILE.\n",
                              15000))
        << program.out();
    EXPECT_EQ(newton->process().WaitForExit(10000), 1) << newton->process().err();
    EXPECT_EQ(test::CountOf(newton->process().err(), "refused password answer"), 0u)
        << "no try of the Newton's spent on a password nobody gave";
    EXPECT_TRUE(test::AnswersStatusWithin(program, 2000));
    Quit(program);
}

// The Newton cancels or vanishes in the middle of a long text, and the next
// Newton, the Zandorelle package's, is served all the same.
class CutShort : public KeyboardTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CutShort, WhatWasNotTypedIsSaidAndTheNextConnectionWorks) {
    const std::string how = GetParam();
    test::WriteFile(dir.File("long.txt"), std::string(2000, 'x'));
    PrepareNewton(Line::kNetwork, {how, "600"});
    auto program = StartConnected({"--relisten"});
    program->Write("type-file " + dir.File("long.txt") + "\n");
    ASSERT_TRUE(program->WaitForStdout("Not all of long.txt was typed: ", 15000)) << program->out();
    EXPECT_NE(program->out().find(how == "--cancel-after" ? "The Newton closed its keyboard"
                                                          : "The Newton left the connection"),
              std::string::npos)
        << program->out();
    EXPECT_EQ(program->out().find("Typed 2000"), std::string::npos) << "not reported as typed";
    if (how == "--cancel-after") program->Write("disconnect\n");
    EXPECT_EQ(newton->process().WaitForExit(10000), 0) << newton->process().err();
    EXPECT_GE(test::ReadFile(dir.File("typed")).size(), 600u);

    EXPECT_TRUE(newton->ServesThePackageNext(*program, dir.path()));
    Quit(*program);
}

INSTANTIATE_TEST_SUITE_P(Newtons, CutShort, ::testing::Values("--cancel-after", "--vanish-after"),
                         [](const auto& info) {
                             return std::string(info.param) == "--cancel-after" ? "Cancelled"
                                                                                : "Vanished";
                         });

TEST_F(KeyboardTest, ASlowNewtonAndOneThatAsksTooMuchAreServedAllTheSame) {
    PrepareNewton(Line::kSerial, {"--answer-delay", "400", "--ask", "rins"});
    auto program = StartConnected();
    ASSERT_TRUE(
        program->WaitForStdout("The Newton sent \"rins\", which Zandorelle does not know; it "
                               "was told so.\n",
                               10000))
        << program->out();
    program->Write("type ∞ ≠ ½\n");
    ASSERT_TRUE(program->WaitForStdout("Typed 5 characters on the Newton.\n", 10000))
        << program->out();
    EXPECT_TRUE(program->WaitForStderr("Info: Connected\n", 2000, 2))
        << "the state after the text is the link's again, not \"Idle\": " << program->err();
    program->Write("disconnect\n");
    EXPECT_EQ(newton->process().WaitForExit(10000), 0) << newton->process().err();
    EXPECT_EQ(test::ReadFile(dir.File("typed")), "∞ ≠ ½");
    Quit(*program);
}

TEST_F(KeyboardTest, TypingWithoutConnectionSaysWhatItTakes) {
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=-1\n");
    test::Subprocess program({ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
    program.Write("type hallå\n");
    EXPECT_TRUE(
        program.WaitForStdout("Nothing to type on yet, and nothing listens for a Newton: "
                              "Listen first, then open Connection on the Newton and tap "
                              "Connect.\n"))
        << program.out();
    program.Write("listen\ntype hallå\n");
    EXPECT_TRUE(program.WaitForStdout(
        "Nothing to type on yet: open Connection on the Newton and tap Connect.\n"))
        << program.out();
    Quit(program);
}

TEST_F(KeyboardTest, TypeFileOnTheCommandLineSaysHowItWent) {
    test::WriteFile(dir.File("Inköp.txt"), "mjölk\nägg\n");
    PrepareNewton(Line::kSerial);
    test::Subprocess typed(
        {ZD_PROGRAM, "--ini", dir.File("z.INI"), "--type-file", dir.File("Inköp.txt")});
    EXPECT_EQ(typed.WaitForExit(20000), 0) << typed.out() << typed.err();
    EXPECT_NE(typed.out().find("Open Connection on the Newton and tap Connect.\n"),
              std::string::npos);
    EXPECT_EQ(newton->process().WaitForExit(10000), 0) << newton->process().err();
    EXPECT_EQ(test::ReadFile(dir.File("typed")), "mjölk\nägg\n");

    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    test::Subprocess refused({ZD_PROGRAM, "--ini", dir.File("z.INI"), "--type-file", fifo});
    EXPECT_EQ(refused.WaitForExit(5000), 2);
    EXPECT_NE(refused.err().find("this is a named pipe, not a text file"), std::string::npos)
        << refused.err();

    PrepareNewton(Line::kSerial, {"--password", "hemligt"});
    test::Subprocess withPassword(
        {ZD_PROGRAM, "--ini", dir.File("z.INI"), "--type-file", dir.File("Inköp.txt")});
    EXPECT_EQ(withPassword.WaitForExit(20000), 1) << withPassword.out();
    EXPECT_NE(withPassword.err().find("the file was not typed on the Newton"), std::string::npos);
}

}  // namespace
}  // namespace zd
