// What the user keeps when saving goes wrong, with the real program and the
// simulated Newton: a kill in the middle of saving leaves the old file or the
// new one whole, a start afterwards clears what the killed program left and
// counts the items kept aside, and the clipboard written to something that
// is no file says why and holds nothing up.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

namespace fs = std::filesystem;

class SavingFailuresTest : public ::testing::Test {
protected:
    SavingFailuresTest() {
        fs::create_directory(in);
        ::setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
    }

    // newton-sim pushing `name` with the bytes of `file`, and the headless
    // program listening for it with items saved in `folder`.
    void Start(const std::string& name, const std::string& file, const std::string& folder) {
        newton = std::make_unique<test::Subprocess>(std::vector<std::string>{
            NEWTON_SIM, "--pty", "--timeout", "30", "--greet", "--push", name, file, "--bye"});
        const std::string pty = test::WaitForSimPty(*newton);
        ASSERT_FALSE(pty.empty()) << newton->err();
        test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nSerial0=" + pty +
                                               "\nSaveAsFile=1\nDir=" + folder + "\n");
        program = std::make_unique<test::Subprocess>(
            std::vector<std::string>{ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
        program->Write("listen\n");
    }

    // A start of the program that only quits: what it logs at start-up.
    std::string StartAndQuit() {
        test::Subprocess again({ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
        again.Write("quit\n");
        EXPECT_EQ(again.WaitForExit(), 0);
        return again.out();
    }

    std::vector<std::string> Names(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir dir;
    const std::string in = dir.File("in");
    std::unique_ptr<test::Subprocess> newton, program;
};

TEST_F(SavingFailuresTest, AKillWhileSavingLeavesTheOldFileOrTheNewOneWhole) {
    const std::string old = "old precious note";
    const std::string item(4 << 20, 'n');
    test::WriteFile(dir.File("item"), item);

    // How long a whole item takes, for kills spread over all of it.
    test::WriteFile(in + "/Anteckning.txt", old);
    const auto begun = std::chrono::steady_clock::now();
    Start("Anteckning", dir.File("item"), in);
    ASSERT_TRUE(program->WaitForStdout("Text Saved\n", 20000)) << program->out();
    const auto whole = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - begun)
                           .count();
    program->Signal(SIGKILL);

    int oldKept = 0, newWhole = 0;
    // At the start, spread over the whole item, and once it is saved.
    for (int kill = 0; kill <= 10; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        test::WriteFile(in + "/Anteckning.txt", old);
        Start("Anteckning", dir.File("item"), in);
        if (kill < 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(whole * kill / 9));
        } else {
            EXPECT_TRUE(program->WaitForStdout("Text Saved\n", 20000));
        }
        program->Signal(SIGKILL);
        program->WaitForExit();
        newton->Signal(SIGKILL);
        const std::string saved = test::ReadFile(in + "/Anteckning.txt");
        ASSERT_TRUE(saved == old || saved == item) << saved.size() << " bytes";
        (saved == old ? oldKept : newWhole)++;
        StartAndQuit();
        EXPECT_EQ(Names(in), std::vector<std::string>{"Anteckning.txt"})
            << "nothing the killed program began is left after the next start";
    }
    EXPECT_GT(oldKept, 0);
    EXPECT_GT(newWhole, 0);
}

TEST_F(SavingFailuresTest, ItemsThatCannotBeSavedAreKeptAndCountedAtTheNextStart) {
    const std::string notAFolder = dir.File("in.txt");
    test::WriteFile(notAFolder, "");
    test::WriteFile(dir.File("note"), "R\x8Aksm\x9Arg\x8Cs");
    Start("Sm\x9Arg\x8Cs", dir.File("note"), notAFolder);
    ASSERT_TRUE(program->WaitForStdout("Disconnecting pipe.\n", 15000)) << program->out();
    program->Write("quit\n");
    EXPECT_EQ(program->WaitForExit(), 0);
    const std::string unsaved = dir.File("state/zandorelle/unsaved");
    EXPECT_NE(program->out().find("Couldn't save the item in " + notAFolder +
                                  " (Not a directory); kept as " + unsaved +
                                  "/Smörgås.txt and on the clipboard.\n"),
              std::string::npos)
        << program->out();
    EXPECT_NE(program->err().find("File error: " + notAFolder + "/Smörgås.txt: Not a directory\n"),
              std::string::npos)
        << program->err();
    EXPECT_EQ(test::ReadFile(unsaved + "/Smörgås.txt"), "Räksmörgås");
    EXPECT_EQ(StartAndQuit(), "1 unsaved item is kept in " + unsaved + ".\n");
}

TEST_F(SavingFailuresTest, TheClipboardGoesOnlyIntoAFileAndSaysWhyNot) {
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=-1\n");
    test::Subprocess program({ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
    program.Write("paste Grüße\n");
    for (const std::string& path : {fifo, in, dir.File("z.INI/clip")}) {
        program.Write("clip " + path + "\n");
        EXPECT_TRUE(program.WaitForStderr("File error: " + path + ": ", 2000)) << program.err();
        EXPECT_TRUE(test::AnswersStatusWithin(program, 1000)) << path;
    }
    program.Write("clip " + in + "/clip.txt\n");
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
    const std::string errors = program.err();
    EXPECT_NE(errors.find(fifo + ": this is a named pipe, not a text file\n"), std::string::npos)
        << errors;
    EXPECT_NE(errors.find(in + ": this is a folder, not a text file\n"), std::string::npos);
    EXPECT_NE(errors.find(dir.File("z.INI/clip") + ": Not a directory\n"), std::string::npos);
    EXPECT_EQ(test::ReadFile(in + "/clip.txt"), "Grüße");
    EXPECT_EQ(Names(in), std::vector<std::string>{"clip.txt"});
}

}  // namespace
}  // namespace zd
