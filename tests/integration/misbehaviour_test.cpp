// The simulated Newton's named misbehaviours against the headless program over
// a serial line: what the log says for each.
#include <gtest/gtest.h>

#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

struct Scenario {
    const char* name;
    std::vector<std::string> simSteps;  // FILE stands for a small item file
    std::string command;                // typed once the log shows `after`
    std::string after;
    std::string expectedLog;  // after the listen and accept lines
};

void PrintTo(const Scenario& scenario, std::ostream* out) {
    *out << scenario.name;
}

class MisbehaviourTest : public ::testing::TestWithParam<Scenario> {
protected:
    test::TempDir dir;
};

TEST_P(MisbehaviourTest, TheLogTellsWhatHappened) {
    const Scenario& scenario = GetParam();
    test::WriteFile(dir.File("item"), "Hej d\x8C");
    test::WriteFile(dir.File("send.txt"), "abc");
    std::vector<std::string> sim = {NEWTON_SIM, "--pty", "--timeout", "10"};
    for (const std::string& step : scenario.simSteps)
        sim.push_back(step == "FILE" ? dir.File("item") : step == "OUT" ? dir.File("out") : step);
    test::Subprocess newton(sim);
    const std::string pty = test::WaitForSimPty(newton);
    ASSERT_FALSE(pty.empty());
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nSerial0=" + pty + "\n");

    test::Subprocess program({ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
    program.Write("listen\n");
    const std::string expected =
        "Listening... press 'Connect' on the Zandorelle slip.\nListening on " + pty +
        ".\nAccepting...\n" + scenario.expectedLog;
    if (!scenario.command.empty()) {
        ASSERT_TRUE(program.WaitForStdout(scenario.after, 10000)) << program.out();
        program.Write(scenario.command + " " + dir.File("send.txt") + "\n");
    }
    program.WaitForStdout(expected, 10000);
    EXPECT_EQ(program.out(), expected);
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
}

const Scenario kScenarios[] = {
    {"WrongGreeting",
     {"--greet-wrong", "--await-bye"},
     "",
     "",
     "Didn't get '#ID:' response; disconnecting...\n"},
    {"IdAnswer", {"--greet-id", "--await-bye"}, "", "", "Connected via ID.\n"},
    // A command is judged on what has arrived when the tick reads it.  The
    // slow line makes sure a tick finds only part of it, however fast the
    // program runs.
    {"OneByteAtATime",
     {"--byte-at-a-time", "--window", "1", "--baud", "9600", "--greet", "--push", "Note", "FILE"},
     "",
     "",
     "ZD is now working.\nCommand too large\nDisconnecting pipe.\nUnrecognized command.\n"},
    {"LinkDroppedMidItem",
     {"--greet", "--push-cut", "Note", "FILE"},
     "",
     "",
     "ZD is now working.\nThe item arrived incomplete: 3 characters came before the Newton fell "
     "silent or left.\nTransfered\n"},
    {"ReplyOtherThanGo",
     {"--greet", "--reply", "#NO\\x04", "--catch", "OUT", "--await-bye"},
     "send",
     "ZD is now working.\n",
     "ZD is now working.\nZandorelling...\n1\n2\nConverting special characters.\n4\n<<--->>\n"},
    {"ShortBye",
     {"--greet", "--bye-short"},
     "",
     "",
     "ZD is now working.\nCommand too large\nDisconnecting pipe.\nUnrecognized command.\n"},
};

INSTANTIATE_TEST_SUITE_P(Newton, MisbehaviourTest, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zd
