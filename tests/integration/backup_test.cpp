// A whole backup of the Newton through its Connection application that
// newton-sim plays over a pseudo-terminal: two stores with notes, Names,
// Dates, To Do, a Packages soup and a third party's soup, every entry kept
// byte for byte and read back by Python's zip reader; an export from the
// backup equal to one from the Newton; a Newton that knows no "gsto" or
// cannot open a card; a connection cut short, an entry of 2 GiB and a full
// disk, none of which leaves a file that looks complete.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/sim_newton.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::Line;

class BackupTest : public ::testing::Test {
protected:
    BackupTest() {
        for (const std::string& folder : {notes, sent, out, dir.File("live"), dir.File("kept")})
            fs::create_directories(folder);
        test::WriteFile(notes + "/1.txt", "Réunion à Paris\nà 10 h\n");
        std::string package = "package0";
        for (int i = 0; package.size() < 20000; ++i) package += static_cast<char>(i * 13);
        test::WriteFile(dir.File("Bücherwurm.pkg"), package);
    }
    void PrepareNewton(std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), {"--timeout", "30", "--notes", notes, "--data", "--package",
                                     dir.File("Bücherwurm.pkg"), "--sent-to", sent});
        newton = std::make_unique<test::SimNewton>(Line::kSerial, extra, dir.File("z.INI"));
    }
    // The program with `args` in a session of its own; its exit status.
    int Run(std::vector<std::string> args, std::vector<std::string> before = {}) {
        before.insert(before.end(), {ZD_PROGRAM, "--ini", dir.File("z.INI")});
        before.insert(before.end(), args.begin(), args.end());
        program = std::make_unique<test::Subprocess>(before);
        return program->WaitForExit(60000);
    }
    bool Logged(const std::string& text) { return program->out().find(text) != std::string::npos; }
    std::string Check(const std::string& archive,
                      const std::vector<std::string>& packages = {"Bücherwurm.pkg"}) {
        std::vector<std::string> command{"/usr/bin/python3", CHECK_BACKUP, archive, sent};
        for (const std::string& package : packages) command.push_back(dir.File(package));
        test::Subprocess check(command);
        EXPECT_EQ(check.WaitForExit(20000), 0) << check.out() << check.err();
        return check.out();
    }

    test::TempDir dir;
    const std::string notes = dir.File("on-the-newton"), sent = dir.File("sent"),
                      out = dir.File("ut");
    const std::string archive = out + "/Åsa.newtonbackup";
    std::unique_ptr<test::SimNewton> newton;
    std::unique_ptr<test::Subprocess> program;
};

TEST_F(BackupTest, EveryStoreSoupAndEntryIsKeptByteForByte) {
    PrepareNewton();
    ASSERT_EQ(Run({"--backup", archive}), 0) << program->out();
    EXPECT_TRUE(Logged("Backed up 20 entries of 11 soups on 2 stores (")) << program->out();
    EXPECT_EQ(Check(archive),
              "newton Åsa Ørnskjöld complete\n"
              "Internal Notes 1 as sent\nInternal Names 3 as sent\nInternal Calendar 1 as sent\n"
              "Internal Calendar Notes 1 as sent\nInternal Repeat Meetings 6 as sent\n"
              "Internal Repeat Notes 1 as sent\nInternal To Do List 2 as sent\n"
              "Internal Packages 1 as sent\nInternal Bücherwurm:ZANDO 2 as sent\n"
              "Kort Names 1 as sent\nKort Calendar 1 as sent\n"
              "version 2 clock applications machine 10003000\n"
              "store Internal Internal whole\nstore Kort Flash storage card whole\n"
              "package packages/Bücherwurm.pkg as installed\n");
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(archive).permissions()), 0666 & ~mask)
        << "as every file the program writes";

    // The backup gives what the Newton gives, but for the calendars' stamp
    // (the time the data were read), and gives it alike every time.
    PrepareNewton();
    ASSERT_EQ(Run({"--export", dir.File("live")}, {}), 0) << program->out();
    ASSERT_EQ(Run({"--export", dir.File("kept"), "--from", archive}), 0) << program->out();
    const auto unstamped = [](std::string text) {
        for (size_t at; (at = text.find("DTSTAMP:")) != std::string::npos;)
            text.erase(at, text.find('\n', at) + 1 - at);
        return text;
    };
    for (const char* file : {"Names.vcf", "Dates.ics", "To Do.ics", "Notes/Réunion à Paris.txt"})
        EXPECT_EQ(unstamped(test::ReadFile(dir.File("kept/") + file)),
                  unstamped(test::ReadFile(dir.File("live/") + file)))
            << file;
    const std::string dates = test::ReadFile(dir.File("kept/Dates.ics"));
    ASSERT_EQ(Run({"--export", dir.File("kept"), "--from", archive}), 0) << program->out();
    EXPECT_EQ(test::ReadFile(dir.File("kept/Dates.ics")), dates) << "the backup's own time";
}

TEST_F(BackupTest, EveryPackageOfSeveralIsAMemberOfItsOwn) {
    // Sizes that end their entries on no boundary of another's.
    const std::pair<const char*, size_t> packages[] = {
        {"Kalender ÅÄÖ.pkg", 1}, {"Ett.pkg", 70001}, {"Två.pkg", 3333}};
    std::vector<std::string> args = {"--timeout", "30", "--notes", notes, "--sent-to", sent};
    std::vector<std::string> files;
    for (const auto& [name, size] : packages) {
        std::string bytes = "package1";
        for (size_t i = 0; bytes.size() < size + 8; ++i) bytes += static_cast<char>(i * 31 + size);
        test::WriteFile(dir.File(name), bytes);
        args.insert(args.end(), {"--package", dir.File(name)});
        files.push_back(name);
    }
    newton = std::make_unique<test::SimNewton>(Line::kSerial, args, dir.File("z.INI"));
    ASSERT_EQ(Run({"--backup", archive}), 0) << program->out();
    const std::string found = Check(archive, files);
    EXPECT_NE(found.find("Internal Packages 3 as sent\n"), std::string::npos) << found;
    for (const char* member : {"packages/Kalender ÅÄÖ.pkg as installed",
                               "packages/Ett.pkg as installed", "packages/Två.pkg as installed"})
        EXPECT_NE(found.find(member), std::string::npos) << member << "\n" << found;
}

TEST_F(BackupTest, WhatTheNewtonCannotDoIsSaidAndCounted) {
    const struct {
        const char* option;
        int status;
        const char* line;
        const char* kept;
    } cases[] = {
        {"--no-store-list", 0,
         "The Newton does not list its stores; those of its synchronisation options are read.\n",
         "Åsa.newtonbackup"},
        // Whole means every store and soup: a backup without the card is named so.
        {"--card-gone", 1, "The store Kort could not be opened (error -28014); it is left out.\n",
         "Åsa (incomplete).newtonbackup"},
    };
    for (const auto& [option, status, line, kept] : cases) {
        fs::remove_all(sent);
        fs::remove_all(out);
        fs::create_directories(sent);
        fs::create_directories(out);
        PrepareNewton({option});
        EXPECT_EQ(Run({"--backup", archive}), status) << option << program->out();
        EXPECT_TRUE(Logged(line)) << program->out();
        EXPECT_TRUE(fs::exists(out + "/" + kept)) << option;
        EXPECT_EQ(fs::exists(archive), status == 0) << option;
    }
    EXPECT_TRUE(Logged("; it lacks the store Kort.\n")) << program->out();
    const std::string manifest = Check(out + "/Åsa (incomplete).newtonbackup");
    EXPECT_NE(manifest.find("newton Åsa Ørnskjöld incomplete\n"), std::string::npos) << manifest;
}

TEST_F(BackupTest, ABackupCutShortNeverLooksComplete) {
    const struct {
        std::vector<std::string> newton, before;
        const char* line;
    } cases[] = {
        {{"--vanish-after-notes", "8"}, {}, "The backup was cut short: "},
        {{"--huge-entry-after", "5"}, {}, "The backup was cut short: "},
        // Past 6 KiB no file may grow: the spool of what arrives cannot.
        {{}, {"/usr/bin/prlimit", "--fsize=6144"}, "Couldn't write the backup "},
    };
    for (const auto& [newtonArgs, before, line] : cases) {
        fs::remove_all(out);
        fs::create_directories(out);
        PrepareNewton(newtonArgs);
        EXPECT_EQ(Run({"--backup", archive}, before), 1) << program->out();
        EXPECT_TRUE(Logged(line)) << program->out();
        EXPECT_FALSE(fs::exists(archive)) << line;
        for (const auto& entry : fs::directory_iterator(out)) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "Åsa (incomplete).newtonbackup") << name;
        }
    }
    // A second backup cut short keeps the first: it may be the only copy.
    for (int run = 0; run < 2; ++run) {
        PrepareNewton({"--vanish-after-notes", "8"});
        EXPECT_EQ(Run({"--backup", archive}), 1) << program->out();
    }
    EXPECT_TRUE(fs::exists(out + "/Åsa (incomplete).newtonbackup"));
    EXPECT_TRUE(fs::exists(out + "/Åsa (incomplete)-2.newtonbackup")) << program->out();
}

}  // namespace
}  // namespace zd
