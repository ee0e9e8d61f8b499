// A Newton with a Connection password, played by newton-sim with its own
// reading of the key derivation: the password from a file opens it and the
// notes arrive; a wrong one is refused in one try and a clear line; without
// a file the terminal asks, without echo; without either the line names the
// option; and a file others can read is refused before anything is sent.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/sim_newton.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::Line;

class PasswordTest : public ::testing::Test {
protected:
    PasswordTest() {
        fs::create_directories(notes);
        fs::create_directories(out);
        test::WriteFile(notes + "/1.txt", "Hemligt möte\nkl. 10\n");
    }
    // The password file holding `text`, readable by its owner alone.
    std::string PasswordFile(const std::string& text, mode_t mode = 0600) {
        const std::string file = dir.File("lösen");
        test::WriteFile(file, text);
        ::chmod(file.c_str(), mode);
        return file;
    }
    // --export-notes from a Newton whose password is "Åsa 123"; the exit status.
    int Export(std::vector<std::string> extra) {
        StartExport(std::move(extra));
        return program->WaitForExit(30000);
    }
    // The same export, left running; on a terminal of its own when asked.
    void StartExport(std::vector<std::string> extra, bool onATerminal = false) {
        newton = std::make_unique<test::SimNewton>(
            Line::kSerial,
            std::vector<std::string>{"--timeout", "20", "--notes", notes, "--password", "Åsa 123"},
            dir.File("z.INI"));
        std::vector<std::string> argv{ZD_PROGRAM, "--ini", dir.File("z.INI"), "--export-notes",
                                      out};
        argv.insert(argv.end(), extra.begin(), extra.end());
        if (onATerminal) argv = OnATerminal(argv);
        program = std::make_unique<test::Subprocess>(argv);
    }
    // `argv` run by script(1), on a pseudo-terminal of its own that is its
    // controlling terminal, as a person at a terminal would run it.
    static std::vector<std::string> OnATerminal(const std::vector<std::string>& argv) {
        std::string command;
        for (const std::string& word : argv) command += " '" + word + "'";
        return {"/usr/bin/script", "--quiet", "--flush",  "--return",
                "--command",       command,   "/dev/null"};
    }
    size_t AnswersRefused() {
        return test::CountOf(newton->process().err(), "refused password answer");
    }

    test::TempDir dir;
    const std::string notes = dir.File("on-the-newton"), out = dir.File("out");
    std::unique_ptr<test::SimNewton> newton;
    std::unique_ptr<test::Subprocess> program;
};

TEST_F(PasswordTest, TheRightPasswordFromAFileOpensTheNewton) {
    EXPECT_EQ(Export({"--password-file", PasswordFile("Åsa 123\n")}), 0) << program->out();
    EXPECT_EQ(test::ReadFile(out + "/Hemligt möte.txt"), "Hemligt möte\nkl. 10\n");
    EXPECT_EQ(newton->process().WaitForExit(10000), 0) << newton->process().err();
    EXPECT_NE(newton->process().err().find("took password answer 1"), std::string::npos);
    EXPECT_EQ(program->out().find("Åsa 123"), std::string::npos) << "never in the log";
}

TEST_F(PasswordTest, AWrongPasswordIsRefusedWithOneLineAndNoMoreTries) {
    EXPECT_EQ(Export({"--password-file", PasswordFile("åsa 123")}), 1) << program->out();
    EXPECT_NE(program->out().find("The Newton refused the password.\n"), std::string::npos)
        << program->out();
    (void)newton->process().WaitForExit(10000);
    EXPECT_EQ(AnswersRefused(), 1u);
}

TEST_F(PasswordTest, WithoutAFileOrATerminalTheLineNamesTheOption) {
    EXPECT_EQ(Export({}), 1) << program->out();
    EXPECT_NE(program->out().find("The Newton asks for its Connection password: give it with "
                                  "--password-file FILE.\n"),
              std::string::npos)
        << program->out();
    (void)newton->process().WaitForExit(10000);
    EXPECT_LE(AnswersRefused(), 1u);
}

TEST_F(PasswordTest, OnATerminalThePasswordIsAskedForWithoutEcho) {
    StartExport({}, true);
    ASSERT_TRUE(program->WaitForStdout(
        "The Newton \"Åsa Ørnskjöld's Newton\" asks for its Connection password: ", 20000))
        << program->out() << program->err();
    program->Write("Åsa 123\n");
    EXPECT_EQ(program->WaitForExit(30000), 0) << program->out();
    EXPECT_EQ(test::ReadFile(out + "/Hemligt möte.txt"), "Hemligt möte\nkl. 10\n");
    EXPECT_EQ(program->out().find("Åsa 123"), std::string::npos) << "typed, not echoed";
}

TEST_F(PasswordTest, AFileOthersCanReadOrOwnIsRefusedBeforeAnythingIsSent) {
    const std::string readable = PasswordFile("Åsa 123", 0640);
    std::vector<std::pair<std::string, std::string>> cases{
        {readable, " can be read by others; chmod 600 it."}};
    // As ssh does: only the user's own file, whatever its mode (root can give one away).
    const std::string given = dir.File("given");
    test::WriteFile(given, "Åsa 123\n");
    ::chmod(given.c_str(), 0600);
    if (::getuid() == 0 && ::chown(given.c_str(), 65534, 65534) == 0)
        cases.emplace_back(given, " belongs to another user; only your own password file is read.");
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=-1\n");
    for (const auto& [file, why] : cases) {
        test::Subprocess refused({ZD_PROGRAM, "--ini", dir.File("z.INI"), "--export-notes", out,
                                  "--password-file", file});
        EXPECT_EQ(refused.WaitForExit(5000), 2);
        EXPECT_NE(refused.err().find(file + why), std::string::npos) << refused.err();
        EXPECT_EQ(refused.out(), "") << "nothing listened, nothing sent";
    }
}

}  // namespace
}  // namespace zd
