// A Newton that vanishes (newton-sim killed, or the line closed under the
// program) at each stage of a session.  The program must stay responsive, say
// truthfully that the link is gone, keep what part of an item reached it, and
// take the next Newton on a new listen.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "link/dil/dil.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

using namespace std::chrono_literals;

struct Stage {
    const char* name;
    std::vector<std::string> simSteps;  // FILE: the item; OUT: where caught
    std::string command;      // typed once the log shows "ZD is now working."; send: a long text
    std::string vanishAfter;  // the log line after which the Newton goes
    std::string keptItem;     // what must be saved of the item "Half"
};

void PrintTo(const Stage& stage, std::ostream* out) {
    *out << stage.name;
}

// The last value the state field showed.
std::string LastState(const std::string& err) {
    const size_t at = err.rfind("Info: ");
    if (at == std::string::npos) return {};
    return err.substr(at + 6, err.find('\n', at) - at - 6);
}

class VanishingNewtonTest : public ::testing::TestWithParam<Stage> {
protected:
    void SetUp() override {
        test::WriteFile(dir.File("item"), "Hej d\x8C, the first half of a note");
        test::WriteFile(dir.File("big"), std::string(100 * 1024, 'x'));
        test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nSerial0=" + link +
                                               "\nSaveAsFile=1\nURL=0\nDir=" + dir.File("") + "\n");
    }

    std::vector<std::string> Sim(const std::vector<std::string>& steps) {
        std::vector<std::string> argv = {NEWTON_SIM, "--pty",     "--pty-link",
                                         link,       "--timeout", "30"};
        for (const std::string& step : steps) {
            argv.push_back(step == "FILE"  ? dir.File("item")
                           : step == "OUT" ? dir.File("out")
                                           : step);
        }
        return argv;
    }

    // After the Newton has gone: the program answers a command within the read
    // timeout, and its state field no longer claims a link.
    void ExpectResponsiveAndTruthful(test::Subprocess& program) {
        ASSERT_TRUE(test::AnswersStatusWithin(program, kReadTimeoutMs + 1000)) << program.err();
        // Either the pipe has ended, or it has been put away.
        const auto truthful = [&] {
            const std::string state = LastState(program.err());
            return state == "Disconnected" || state == "(no connection)";
        };
        const auto deadline = std::chrono::steady_clock::now() + kReadTimeoutMs * 1ms;
        while (!truthful() && std::chrono::steady_clock::now() < deadline) {
            program.WaitForStderr("Info: ", 100, test::CountOf(program.err(), "Info: ") + 1);
        }
        EXPECT_TRUE(truthful()) << program.err();
    }

    // The next Newton is greeted after a new listen.
    void ExpectANewListenWorks(test::Subprocess& program) {
        const size_t greeted = test::CountOf(program.out(), "ZD is now working.\n");
        test::Subprocess next(Sim({"--greet", "--await-bye"}));
        ASSERT_FALSE(test::WaitForSimPty(next).empty());
        program.Write("listen\n");
        EXPECT_TRUE(program.WaitForStdout("ZD is now working.\n", 10000, greeted + 1))
            << program.out() << next.err();
        program.Write("disconnect\n");
        EXPECT_EQ(next.WaitForExit(), 0) << next.err();
    }

    test::TempDir dir;
    const std::string link = dir.File("newton");
};

TEST_P(VanishingNewtonTest, TheProgramCarriesOn) {
    const Stage& stage = GetParam();
    test::Subprocess newton(Sim(stage.simSteps));
    ASSERT_FALSE(test::WaitForSimPty(newton).empty());
    test::Subprocess program({ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
    program.Write("listen\n");
    if (!stage.command.empty()) {
        ASSERT_TRUE(program.WaitForStdout("ZD is now working.\n", 10000)) << program.out();
        program.Write(stage.command == "send" ? "send " + dir.File("big") + "\n"
                                              : stage.command + "\n");
    }
    ASSERT_TRUE(program.WaitForStdout(stage.vanishAfter, 10000)) << program.out();
    std::this_thread::sleep_for(500ms);  // well into the stage
    newton.Signal(SIGKILL);
    newton.WaitForExit();

    ExpectResponsiveAndTruthful(program);
    if (!stage.keptItem.empty()) {
        EXPECT_EQ(test::ReadFile(dir.File("Half.txt")), stage.keptItem);
    }
    ExpectANewListenWorks(program);
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
}

const Stage kStages[] = {
    {"MidHandshake", {"--sleep", "30000"}, "", "Accepting...\n", ""},
    {"MidCommand",
     {"--greet", "--send", "#GET;No", "--sleep", "30000"},
     "",
     "ZD is now working.\n",
     ""},
    {"MidItem",
     {"--greet", "--push-open", "Half", "FILE", "--sleep", "30000"},
     "",
     "ZD is now working.\n",
     "Hej då, the first half of a note"},
    {"BetweenCatchAndGo",
     {"--greet", "--reply", "", "--catch", "OUT"},
     "send",
     "Zandorelling...\n",
     ""},
    {"MidText", {"--baud", "57600", "--greet", "--catch", "OUT"}, "send", "Zandorelling...\n", ""},
    {"DuringTheGoodbye", {"--greet", "--sleep", "30000"}, "disconnect", "Disconnecting", ""},
};

INSTANTIATE_TEST_SUITE_P(Stages, VanishingNewtonTest, ::testing::ValuesIn(kStages),
                         [](const auto& info) { return std::string(info.param.name); });

// Before the link request: the line closes under a program that has opened it
// and waits.
TEST_F(VanishingNewtonTest, BeforeTheLinkRequest) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);  // the program must not hold it open too
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    std::filesystem::create_symlink(::ptsname(master), link);
    test::Subprocess program({ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
    program.Write("listen\n");
    ASSERT_TRUE(program.WaitForStderr("Info: Listening\n")) << program.err();
    std::this_thread::sleep_for(300ms);
    ::close(master);
    std::filesystem::remove(link);

    ExpectResponsiveAndTruthful(program);
    ExpectANewListenWorks(program);
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
}

}  // namespace
}  // namespace zd
