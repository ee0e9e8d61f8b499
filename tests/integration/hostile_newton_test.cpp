// A hostile Newton's Connection, played by newton-sim: a precedent bomb, a
// flood of commands nobody knows, thousands of notes of one title, stores
// that are no stores, texts meant for the terminal, a command in the middle
// of the notes, a Newton that stops reading, and titles holding zeros and
// controls.  Each ends with a true line and exit status, within bounds of
// time and memory measured on the program itself.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/sim_newton.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::Line;

// What the program may take at most in these tests: well above the 20 MiB a
// reading of ordinary notes takes, far below what the faults took.
constexpr double kMostMiB = 120;

class HostileNewtonTest : public ::testing::Test {
protected:
    HostileNewtonTest() {
        fs::create_directories(notes);
        fs::create_directories(out);
        for (int i = 0; i < 3; ++i)
            test::WriteFile(notes + "/" + std::to_string(i) + ".txt",
                            "Vanlig " + std::to_string(i) + "\nrad\n");
    }
    void PrepareNewton(Line line, std::vector<std::string> extra) {
        extra.insert(extra.begin(), {"--timeout", "30", "--notes", notes});
        newton = std::make_unique<test::SimNewton>(line, extra, dir.File("z.INI"));
    }
    // --export-notes into `out`, on a Newton with `extra`; the program's exit status.
    int Export(std::vector<std::string> extra) {
        PrepareNewton(Line::kSerial, std::move(extra));
        program = std::make_unique<test::Subprocess>(std::vector<std::string>{
            ZD_PROGRAM, "--ini", dir.File("z.INI"), "--export-notes", out});
        return program->WaitForExit(60000);
    }
    bool Saved(const std::string& name) { return fs::exists(out + "/" + name); }
    bool Logged(const std::string& line) { return program->out().find(line) != std::string::npos; }

    test::TempDir dir;
    const std::string notes = dir.File("on-the-newton"), out = dir.File("out");
    std::unique_ptr<test::SimNewton> newton;
    std::unique_ptr<test::Subprocess> program;
};

TEST_F(HostileNewtonTest, APrecedentBombIsSkippedAndTheOtherNotesArrive) {
    test::WriteFile(out + "/.zandorelle-999999999-AbCdEf", "a killed export's temporary file");
    EXPECT_EQ(Export({"--notes-bomb"}), 1) << program->out();
    EXPECT_TRUE(
        Logged("Skipped note 4 of Internal: it arrived damaged, so reading the Newton again may "
               "bring it (more than 16 MiB of objects"))
        << program->out();
    EXPECT_TRUE(Logged("3 notes saved in " + out + "; 1 skipped.\n"));
    EXPECT_TRUE(Saved("Vanlig 0.txt") && Saved("Vanlig 2.txt"));
    EXPECT_FALSE(Saved(".zandorelle-999999999-AbCdEf")) << "swept";
    EXPECT_LT(program->PeakMiB(), kMostMiB);
}

TEST_F(HostileNewtonTest, AFloodOfUnknownCommandsIsAnsweredOnceAndQuitStaysQuick) {
    PrepareNewton(Line::kNetwork, {"--flood"});
    program = newton->StartConnectedProgram(dir.File("z.INI"));
    ASSERT_TRUE(program->WaitForStdout("which Zandorelle does not know; it was told so.\n", 10000))
        << program->out();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const auto signalled = std::chrono::steady_clock::now();
    program->Signal(SIGTERM);
    EXPECT_EQ(program->WaitForExit(5000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::milliseconds(1000));
    EXPECT_EQ(test::CountOf(program->out(), "does not know"), 1u) << program->out();
    EXPECT_LT(program->out().size(), 2000u);
    EXPECT_LT(program->PeakMiB(), kMostMiB);
}

TEST_F(HostileNewtonTest, ThousandsOfNotesOfOneTitleCostNoMoreThanOthers) {
    // Measured against as many notes of their own titles, on this machine.
    EXPECT_EQ(Export({"--notes-many", "6000"}), 0) << program->out();
    const double distinct = program->CpuSeconds();
    EXPECT_EQ(Export({"--notes-same-title", "6000"}), 0) << program->out();
    EXPECT_TRUE(Saved("Samma.txt") && Saved("Samma-6000.txt"));
    EXPECT_EQ(test::ReadFile(out + "/Samma-6000.txt"), "Samma\n5999\n");
    EXPECT_LT(program->CpuSeconds(), distinct * 1.2);
}

TEST_F(HostileNewtonTest, AStoreLeftOutIsAFailureNamedInTheLog) {
    EXPECT_EQ(Export({"--notes-garbled"}), 1) << program->out();
    EXPECT_TRUE(Logged("The Newton named a store that is no store; it is left out.\n"));
    EXPECT_TRUE(Logged("The soups of Trasig could not be read ("));
    EXPECT_TRUE(Logged("3 notes saved in " + out +
                       "; not read: a store that is no store, the soups of Trasig.\n"))
        << program->out();
}

TEST_F(HostileNewtonTest, TheNewtonsTextsReachTheTerminalPrintable) {
    EXPECT_EQ(Export({"--owner", "\\x1B[2JMallory\\n999 notes saved", "--card-name",
                      "\\x1B]0;Kort\\x07\\xE2\\x80\\xAE"}),
              0)
        << program->out();
    EXPECT_TRUE(Logged("Connected to \\x1B[2JMallory\\x0A999 notes saved's Newton.\n"))
        << program->out();
    EXPECT_EQ(program->out().find('\x1B'), std::string::npos);
    EXPECT_EQ(program->out().find("\u202E"), std::string::npos);
}

TEST_F(HostileNewtonTest, AnUnknownCommandInTheMiddleOfTheNotesEndsTheReadingAtOnce) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Export({"--ask-during-notes", "xyzw"}), 1) << program->out();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
    EXPECT_TRUE(
        Logged("The Newton sent \"xyzw\", which Zandorelle does not know; it was told so, "
               "and the reading has ended.\n"))
        << program->out();
    EXPECT_TRUE(Logged("; the reading was cut short.\n"));
}

TEST_F(HostileNewtonTest, ANewtonThatStopsReadingIsToldApartFromOneThatLeft) {
    std::string text;
    while (text.size() < 600000) text += "Åsa skriver en rad till. ";
    test::WriteFile(dir.File("lång.txt"), text);
    ::setenv("ZD_MNP_RETRANSMIT_MS", "100", 1);  // the program's patience: a second
    newton = std::make_unique<test::SimNewton>(
        Line::kNetwork,
        std::vector<std::string>{"--timeout", "60", "--connection", dir.File("typed"),
                                 "--stop-reading-after", "1280"},
        dir.File("z.INI"));
    program = std::make_unique<test::Subprocess>(std::vector<std::string>{
        ZD_PROGRAM, "--ini", dir.File("z.INI"), "--type-file", dir.File("lång.txt")});
    newton->StartWhenListening(*program);
    ::unsetenv("ZD_MNP_RETRANSMIT_MS");
    EXPECT_EQ(program->WaitForExit(40000), 1);
    EXPECT_TRUE(Logged("The Newton stopped reading what was sent to it; the connection has ended"))
        << program->out();
    EXPECT_FALSE(Logged("The Newton left the connection"));
    const size_t at = program->out().find("Not all of ");
    ASSERT_NE(at, std::string::npos);
    const size_t reached = std::stoul(program->out().substr(program->out().find(": ", at) + 2));
    EXPECT_GE(reached, 1280u);
    EXPECT_LT(reached, 200000u) << "what the link confirmed, not what was handed to it";
}

TEST_F(HostileNewtonTest, TitlesWithZerosAndControlsKeepTheirTextInSafeNames) {
    EXPECT_EQ(Export({"--notes-hostile"}), 0) << program->out();
    EXPECT_EQ(test::ReadFile(out + "/ab\uFFFDcd.txt"), "ab\uFFFDcd\nrad två\n");
    EXPECT_TRUE(Saved("_x_y_z.txt"));
    EXPECT_TRUE(Saved("_[2J999 notes saved.txt"));
}

}  // namespace
}  // namespace zd
