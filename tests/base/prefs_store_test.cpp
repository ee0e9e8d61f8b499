// The preference file: defaults, value forms, and that a write keeps every
// other line and never leaves a half-written file.
#include "base/prefs_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "base/ini_text.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(PrefsStore, AbsentFileReadsDefaults) {
    TempDir dir;
    PrefsStore prefs(dir.File("none.INI"));
    int32_t value = 77;
    EXPECT_EQ(prefs.GetPrefInt(value, "port"), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(prefs.GetPrefString("Dir"), "");
}

TEST(PrefsStore, ReadsOnlyItsOwnSectionAndReturnsWhatItStores) {
    TempDir dir;
    WriteFile(dir.File("z.INI"),
              "[Other]\nport=9\n[Prefs Section]\nlisten=1\nport=-1\nDir=/home/a b\n");
    PrefsStore prefs(dir.File("z.INI"));
    int32_t value = 0;
    EXPECT_EQ(prefs.GetPrefInt(value, "port"), -1);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(prefs.GetPrefInt(value, "listen"), 1);
    EXPECT_EQ(prefs.GetPrefInt(value, "SysTray"), 0);
    EXPECT_EQ(prefs.GetPrefString("Dir"), "/home/a b");
}

TEST(PrefsStore, WriteThenReadRoundTripsIntegersAndStrings) {
    TempDir dir;
    PrefsStore prefs(dir.File("sub/folder/z.INI"));  // folders are made as needed
    ASSERT_TRUE(prefs.SetPrefInt(-1, "port"));
    ASSERT_TRUE(prefs.SetPrefInt(2147483647, "Launch"));
    ASSERT_TRUE(prefs.SetPrefString("", "Dir"));
    int32_t value = 0;
    EXPECT_EQ(prefs.GetPrefInt(value, "port"), -1);
    EXPECT_EQ(prefs.GetPrefInt(value, "Launch"), 2147483647);
    EXPECT_EQ(ReadFile(prefs.path()), "[Prefs Section]\nport=-1\nLaunch=2147483647\nDir=\n");
}

TEST(PrefsStore, WriteKeepsEveryOtherLineInPlace) {
    TempDir dir;
    const std::string before =
        "; written by hand\n"
        "[Window]\nPosX=5\n\n"
        "[Prefs Section]\n"
        "; the port\n"
        "port = 3\n"
        "weird line without equals\n"
        "Dir=/tmp\n"
        "\n"
        "[Later]\nx=1";
    WriteFile(dir.File("z.INI"), before);
    PrefsStore prefs(dir.File("z.INI"));
    ASSERT_TRUE(prefs.SetPrefInt(1, "PORT"));  // names compare without case
    ASSERT_TRUE(prefs.SetPrefInt(4, "Launch"));
    EXPECT_EQ(ReadFile(prefs.path()),
              "; written by hand\n"
              "[Window]\nPosX=5\n\n"
              "[Prefs Section]\n"
              "; the port\n"
              "PORT=1\n"
              "weird line without equals\n"
              "Dir=/tmp\n"
              "Launch=4\n"
              "\n"
              "[Later]\nx=1\n");
}

TEST(PrefsStore, CrLfFileStaysCrLf) {
    TempDir dir;
    WriteFile(dir.File("z.INI"), "[Prefs Section]\r\nport=2\r\nURL=1\r\n");
    PrefsStore prefs(dir.File("z.INI"));
    int32_t value = 0;
    EXPECT_EQ(prefs.GetPrefInt(value, "port"), 2);
    ASSERT_TRUE(prefs.SetPrefInt(0, "port"));
    EXPECT_EQ(ReadFile(prefs.path()), "[Prefs Section]\r\nport=0\r\nURL=1\r\n");
}

TEST(PrefsStore, ValueWithLineBreakIsRefusedAndFileUnchanged) {
    TempDir dir;
    WriteFile(dir.File("z.INI"), "[Prefs Section]\nDir=/a\n");
    PrefsStore prefs(dir.File("z.INI"));
    EXPECT_FALSE(prefs.SetPrefString("/x\nport=-1", "Dir"));
    EXPECT_EQ(ReadFile(prefs.path()), "[Prefs Section]\nDir=/a\n");
}

TEST(PrefsStore, MalformedFilesReadAsAbsentWithoutHarm) {
    TempDir dir;
    static constexpr char kBytes[] = "\0\xff[[[\n]=\n[Prefs Section\nport=5\n=\n";
    const std::string garbage = std::string(kBytes, sizeof kBytes - 1) + std::string(5000, '[');
    WriteFile(dir.File("z.INI"), garbage);
    PrefsStore prefs(dir.File("z.INI"));
    int32_t value = 0;
    EXPECT_EQ(prefs.GetPrefInt(value, "port"), 0);  // the section header never closed
    ASSERT_TRUE(prefs.SetPrefInt(2, "port"));
    EXPECT_EQ(prefs.GetPrefInt(value, "port"), 2);
    EXPECT_EQ(ReadFile(prefs.path()).rfind(garbage, 0), 0u);  // old bytes kept
}

TEST(PrefsStore, ReadingAFolderReadsAsAbsent) {
    TempDir dir;
    PrefsStore prefs(dir.path());
    int32_t value = 1;
    EXPECT_EQ(prefs.GetPrefInt(value, "port"), 0);
    EXPECT_FALSE(prefs.SetPrefInt(1, "port"));
}

// A write that dies half-way (here: the file size limit stops it) leaves the old
// file byte for byte, and no temporary file behind.
TEST(PrefsStore, InterruptedWriteLeavesOldFileIntact) {
    TempDir dir;
    const std::string before = "[Prefs Section]\nport=1\n";
    WriteFile(dir.File("z.INI"), before);
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        PrefsStore prefs(dir.File("z.INI"));
        ::_exit(prefs.SetPrefString(std::string(4096, 'x'), "Dir") ? 1 : 0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write should have reported failure";
    EXPECT_EQ(ReadFile(dir.File("z.INI")), before);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
}

// A value set for this run reads back and takes writes, and the file never
// sees it.
TEST(PrefsStore, AnOverrideLeavesTheFileAlone) {
    TempDir dir;
    const std::string before = "[Prefs Section]\nport=1\nSerial0=/dev/ttyS0\n";
    WriteFile(dir.File("z.INI"), before);
    PrefsStore prefs(dir.File("z.INI"));
    prefs.Override("port", "-1");
    int32_t port = 0;
    EXPECT_EQ(prefs.GetPrefInt(port, "port"), -1);
    EXPECT_TRUE(prefs.SetPrefInt(2, "port"));
    EXPECT_EQ(prefs.GetPrefInt(port, "port"), 2);
    EXPECT_EQ(prefs.GetPrefString("Serial0"), "/dev/ttyS0");
    EXPECT_EQ(ReadFile(dir.File("z.INI")), before);
}

// A writer killed at random moments, a hundred times: the file it leaves always
// reads whole, every value either the old one or the new.
TEST(PrefsStore, AWriterKilledAtAnyMomentLeavesAWholeFile) {
    TempDir dir;
    const std::string path = dir.File("z.INI");
    const std::string untouched(32 * 1024, 'u');  // makes each write take a while
    PrefsStore prefs(path);
    ASSERT_TRUE(prefs.SetPrefString(untouched, "Big"));
    ASSERT_TRUE(prefs.SetPrefString("old", "Word"));
    std::mt19937 random(7);
    for (int round = 0; round < 100; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            PrefsStore writer(path);
            for (int32_t i = 1;; ++i) {
                writer.SetPrefInt(i, "Count");
                writer.SetPrefString(i % 2 ? "new" : "old", "Word");
            }
        }
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 3000)(random));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        const std::string word = prefs.GetPrefString("Word");
        ASSERT_TRUE(word == "old" || word == "new") << "round " << round << ": " << word;
        ASSERT_EQ(prefs.GetPrefString("Big"), untouched) << "round " << round;
        int32_t count = -1;
        ASSERT_GE(prefs.GetPrefInt(count, "Count"), 0) << "round " << round;
    }
}

TEST(ProfileInt, ReadsLeadingSignedDigitsLikeTheProfileServices) {
    struct Row {
        const char* text;
        int32_t value;
    } rows[] = {
        {"", 0},
        {"12", 12},
        {"-1", -1},
        {"+7", 7},
        {"  42", 42},
        {"3abc", 3},
        {"abc", 0},
        {"-", 0},
        {"0x10", 0},
        {"1 2", 1},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
        {"-2147483648", -2147483647 - 1},
    };
    for (const Row& row : rows) EXPECT_EQ(ParseProfileInt(row.text), row.value) << row.text;
}

TEST(IniText, FirstOfDuplicateSectionsAndKeysWins) {
    const std::string text = "[A]\nk=1\nk=2\n[a]\nk=3\n";
    EXPECT_EQ(FindIniValue(text, "a", "K").value(), "1");
    EXPECT_EQ(SetIniValue(text, "A", "k", "9"), "[A]\nk=9\nk=2\n[a]\nk=3\n");
}

TEST(DefaultPrefsPath, BaseNamePlusIniInTheConfigFolder) {
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";

    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(DefaultPrefsPath("/usr/bin/zandorelle"), "/cfg/zandorelle.INI");
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(DefaultPrefsPath("./zandorelle.exe"), "/home/u/.config/zandorelle.INI");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultPrefsPath("zandorelle"), "/home/u/.config/zandorelle.INI");

    if (oldXdg) ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    ::setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace zd
