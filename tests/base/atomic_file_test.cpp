// Files written whole or not at all: a replaced file keeps its permissions, a
// refused name keeps its file, and a write that fails leaves the old file as
// it was and no part of the new one; a failure says what the disk refused.
#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
protected:
    size_t EntriesIn(const std::string& folder) {
        return static_cast<size_t>(
            std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }
    mode_t Mode(const std::string& path) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_mode & 07777;
    }

    test::TempDir dir;
    const std::string path = dir.File("Anteckning.txt");
};

TEST_F(AtomicFileTest, AReplacedFileKeepsItsPermissionsAndANewOneFollowsTheUmask) {
    test::WriteFile(path, "old");
    ::chmod(path.c_str(), 0600);
    EXPECT_EQ(WriteWholeFile(path, "ny text", IfTaken::kReplace), 0);
    EXPECT_EQ(test::ReadFile(path), "ny text");
    EXPECT_EQ(Mode(path), 0600u);

    const mode_t mask = ::umask(022);
    EXPECT_EQ(WriteWholeFile(dir.File("new.txt"), "", IfTaken::kReplace), 0);
    ::umask(mask);
    EXPECT_EQ(Mode(dir.File("new.txt")), 0644u);
    EXPECT_EQ(EntriesIn(dir.path()), 2u);
}

TEST_F(AtomicFileTest, ATakenNameIsRefusedWhenAsked) {
    test::WriteFile(path, "old");
    EXPECT_EQ(WriteWholeFile(path, "new", IfTaken::kRefuse), EEXIST);
    EXPECT_EQ(test::ReadFile(path), "old");
    EXPECT_EQ(WriteWholeFile(dir.File("free.txt"), "new", IfTaken::kRefuse), 0);
    EXPECT_EQ(EntriesIn(dir.path()), 2u);
}

TEST_F(AtomicFileTest, AFailedWriteLeavesTheOldFileByteForByte) {
    const std::string old = "old precious note \xE2\x82\xAC";
    test::WriteFile(path, old);
    EXPECT_TRUE(test::InChildWithFileSizeLimit(4096, [&] {
        EXPECT_EQ(WriteWholeFile(path, std::string(9000, 'x'), IfTaken::kReplace), EFBIG);
        EXPECT_EQ(WriteWholeFile(dir.File("Tva.txt"), std::string(5000, 'x'), IfTaken::kRefuse),
                  EFBIG);
    }));
    EXPECT_EQ(test::ReadFile(path), old);
    EXPECT_EQ(EntriesIn(dir.path()), 1u) << "no part of a new file, under any name";
}

TEST_F(AtomicFileTest, WhatCannotHoldAFileSaysWhy) {
    EXPECT_EQ(WriteWholeFile(dir.File("missing/x.txt"), "x", IfTaken::kReplace), ENOENT);
    fs::create_directory(dir.File("folder"));
    EXPECT_EQ(WriteWholeFile(dir.File("folder"), "x", IfTaken::kReplace), EISDIR);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST_F(AtomicFileTest, AFailureSaysWhichCharacterTheDiskRefused) {
    const std::string folder = dir.path() + "/";
    const struct {
        std::string path;
        int error;
        const char* why;
    } cases[] = {
        {folder + "Åsa: Newton.newtonbackup", ENOENT,
         "the disk does not take the character \u201C:\u201D in a name"},
        {folder + "Vad?", EINVAL, "the disk does not take the character \u201C?\u201D in a name"},
        {folder + "Slut.", ENOENT, "the disk does not take a name that ends with a dot or a space"},
        {folder + "no-such-folder/a:b", ENOENT, "No such file or directory"},
        {folder + "Vanlig", ENOSPC, "No space left on device"},
    };
    for (const auto& [path, error, why] : cases) EXPECT_EQ(WriteFailure(path, error), why) << path;
}

}  // namespace
}  // namespace zd
