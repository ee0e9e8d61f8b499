// Text as it was written, end to end with the simulated Newton: notes in real
// languages go Newton → file → Newton and Newton → clipboard → Newton
// unchanged in both file forms, every Mac OS Roman byte lands in a file as
// UTF-8, a pause in the middle of an item does not cut it, files that are no
// text files are refused while the program keeps answering, nameless items
// never overwrite each other, and an EOT inside a text stays out of the wire.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "transfer/charset.h"

namespace zd {
namespace {

// å ä ö é ü ñ € and a line end, as the Newton has them.
constexpr const char* kNote = "Hej d\x8C! \x8A \x9A \x8E \x9F \x96 \xDB\rslut";

class TextEncodingTest : public ::testing::Test {
protected:
    // newton-sim on a pseudo-terminal running `steps`, and the headless
    // program on it with `prefs` added to its preference file.
    void Start(const std::vector<std::string>& steps, const std::string& prefs) {
        std::vector<std::string> sim = {NEWTON_SIM, "--pty", "--timeout", "30", "--greet"};
        sim.insert(sim.end(), steps.begin(), steps.end());
        newton = std::make_unique<test::Subprocess>(sim);
        const std::string pty = test::WaitForSimPty(*newton);
        ASSERT_FALSE(pty.empty()) << newton->err();
        std::filesystem::create_directory(in);
        test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nSerial0=" + pty + "\nDir=" +
                                               in + "\n" + prefs);
        program = std::make_unique<test::Subprocess>(
            std::vector<std::string>{ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
        program->Write("listen\n");
        ASSERT_TRUE(program->WaitForStdout("ZD is now working.\n", 10000)) << program->out();
    }
    void Finish() {
        EXPECT_EQ(newton->WaitForExit(20000), 0) << newton->err();
        program->Write("quit\n");
        EXPECT_EQ(program->WaitForExit(), 0);
    }

    test::TempDir dir;
    const std::string in = dir.File("in");
    std::unique_ptr<test::Subprocess> newton, program;
};

class FileRoundTrip : public TextEncodingTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FileRoundTrip, ANoteComesBackAsItLeft) {
    const std::string charset = GetParam();
    test::WriteFile(dir.File("note"), kNote);
    Start({"--push", "Note", dir.File("note"), "--catch", dir.File("caught"), "--await-bye"},
          "SaveAsFile=1\nFileCharset=" + charset + "\n");
    ASSERT_TRUE(program->WaitForStdout("Text Saved\n", 10000)) << program->out();
    EXPECT_EQ(test::ReadFile(in + "/Note.txt"),
              charset == "UTF-8" ? "Hej då! ä ö é ü ñ €\nslut"
                                 : "Hej d\xE5! \xE4 \xF6 \xE9 \xFC \xF1 \x80\nslut");
    program->Write("send " + in + "/Note.txt\n");
    ASSERT_TRUE(newton->WaitForStderr("newton-sim: caught", 10000)) << newton->err();
    program->Write("disconnect\n");
    Finish();
    EXPECT_EQ(test::ReadFile(dir.File("caught")), kNote);
    EXPECT_EQ(program->out().find("went as"), std::string::npos) << program->out();
}

INSTANTIATE_TEST_SUITE_P(Charsets, FileRoundTrip, ::testing::Values("UTF-8", "cp1252"),
                         [](const auto& info) { return info.index == 0 ? "Utf8" : "Cp1252"; });

TEST_F(TextEncodingTest, ANoteGoesThroughTheClipboardAndBack) {
    test::WriteFile(dir.File("note"), kNote);
    Start({"--push", "Note", dir.File("note"), "--catch", dir.File("caught"), "--await-bye"},
          "SaveAsFile=0\n");
    ASSERT_TRUE(program->WaitForStdout("Transfered\n", 10000)) << program->out();
    program->Write("clip " + dir.File("clipboard") + "\n");
    program->Write("paste\n");
    ASSERT_TRUE(newton->WaitForStderr("newton-sim: caught", 10000)) << newton->err();
    program->Write("disconnect\n");
    Finish();
    EXPECT_EQ(test::ReadFile(dir.File("clipboard")), "Hej då! ä ö é ü ñ €\nslut");
    EXPECT_EQ(test::ReadFile(dir.File("caught")), kNote);
}

TEST_F(TextEncodingTest, EveryMacOsRomanByteLandsInAFileAsUtf8) {
    std::string all, expected;
    for (int byte = 1; byte < 256; ++byte) {
        if (byte == 0x04) continue;  // the end of the item
        all += static_cast<char>(byte);
        expected += ConvertFromNewton(static_cast<char>(byte));
    }
    test::WriteFile(dir.File("all"), all);
    Start({"--push", "All", dir.File("all"), "--await-bye"}, "SaveAsFile=1\n");
    ASSERT_TRUE(program->WaitForStdout("Text Saved\n", 10000)) << program->out();
    program->Write("disconnect\n");
    Finish();
    const std::string saved = test::ReadFile(in + "/All.txt");
    EXPECT_TRUE(IsUtf8(saved));
    EXPECT_EQ(saved, expected);
    EXPECT_NE(saved.find("∞"), std::string::npos) << "Mac letters as themselves";
    EXPECT_NE(saved.find("ﬁ"), std::string::npos);
}

TEST_F(TextEncodingTest, APauseInTheMiddleOfAnItemDoesNotCutIt) {
    test::WriteFile(dir.File("half"), "first half, ");
    Start({"--push-open", "Slow", dir.File("half"), "--sleep", "7000", "--send",
           "second half\\x04", "--await-bye"},
          "SaveAsFile=1\n");
    ASSERT_TRUE(program->WaitForStdout("Text Saved\n", 15000)) << program->out();
    EXPECT_EQ(test::ReadFile(in + "/Slow.txt"), "first half, second half");
    EXPECT_EQ(program->out().find("incomplete"), std::string::npos) << program->out();
    EXPECT_EQ(program->out().find("Unrecognized"), std::string::npos) << program->out();
    program->Write("disconnect\n");
    Finish();
}

TEST_F(TextEncodingTest, NamelessItemsInOneSecondLeaveTwoFiles) {
    test::WriteFile(dir.File("one"), "one");
    test::WriteFile(dir.File("two"), "two");
    Start({"--push", "", dir.File("one"), "--push", "", dir.File("two"), "--await-bye"},
          "SaveAsFile=1\n");
    ASSERT_TRUE(program->WaitForStdout("Text Saved\n", 10000, 2)) << program->out();
    program->Write("disconnect\n");
    Finish();
    std::set<std::string> texts;
    for (const auto& entry : std::filesystem::directory_iterator(in))
        texts.insert(test::ReadFile(entry.path()));
    EXPECT_EQ(texts, (std::set<std::string>{"one", "two"}));
}

TEST_F(TextEncodingTest, AnEotInsideADroppedTextReachesTheNewtonAsAQuestionMark) {
    Start({"--catch", dir.File("caught"), "--await-bye"}, "");
    program->Write("drop Hej\x04" "då\n");
    ASSERT_TRUE(newton->WaitForStderr("newton-sim: caught", 10000)) << newton->err();
    program->Write("disconnect\n");
    Finish();
    EXPECT_EQ(test::ReadFile(dir.File("caught")), "Hej?d\x8C");
    EXPECT_NE(program->out().find("1 characters went as \"?\""), std::string::npos);
}

TEST(TextFiles, WhatIsNoTextFileIsRefusedAndTheProgramAnswers) {
    test::TempDir dir;
    const std::string fifo = dir.File("pipe"), folder = dir.File("folder"), big = dir.File("big");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    test::WriteFile(big, "");
    ASSERT_EQ(::truncate(big.c_str(), (16 << 20) + 1), 0);
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=-1\n");
    test::Subprocess program({ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
    for (const std::string& path : {fifo, folder, big}) {
        program.Write("send " + path + "\n");
        EXPECT_TRUE(program.WaitForStdout(path + ": ", 1000)) << program.out();
        EXPECT_TRUE(test::AnswersStatusWithin(program, 1000)) << path;
    }
    const std::string log = program.out();
    EXPECT_NE(log.find(fifo + ": this is a named pipe, not a text file; nothing was sent.\n"),
              std::string::npos) << log;
    EXPECT_NE(log.find(folder + ": this is a folder, not a text file; nothing was sent.\n"),
              std::string::npos);
    EXPECT_NE(log.find(big + ": 16777217 bytes is more than the 16 MiB a text may have"),
              std::string::npos);
    EXPECT_EQ(log.find("Converting"), std::string::npos) << "nothing was sent";
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
}

}  // namespace
}  // namespace zd
