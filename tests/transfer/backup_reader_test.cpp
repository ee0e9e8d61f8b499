// A backup file read again that is damaged or none of ours: refused or read
// as far as it goes, with a line saying so, never a crash and never an entry
// longer than the Newton could have sent.
#include "transfer/backup_reader.h"

#include <gtest/gtest.h>
#include <zip.h>

#include "support/link_fixture.h"

namespace zd {
namespace {

using Members = std::vector<std::pair<std::string, std::string>>;

class BackupReaderTest : public test::LinkFixture {
protected:
    // A zip archive of `members`, as a backup is one.
    std::string Archive(const Members& members) {
        const std::string path = dir.File("Åsa.newtonbackup");
        int error = 0;
        zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        for (const auto& [name, bytes] : members) {
            zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
            EXPECT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
        }
        EXPECT_EQ(zip_close(archive), 0);
        return path;
    }
    std::optional<std::string> Read(const std::string& file) {
        return ExportFromBackup(session, {dir.File("ut"), ExportChoice::NotesAlone()}, file);
    }
};

TEST_F(BackupReaderTest, AManifestThatIsNoBackupsIsRefused) {
    const char* manifests[] = {
        "[1, 2]",
        "{\"format\": \"something else\"}",
        "{\"stores\": [{\"name\": 5, \"soups\": []}]}",
        "{\"stores\": [], \"complete\": \"yes\"}",
        "{\"stores\": [{\"name\": \"Internal\", \"soups\": [{\"name\": \"Notes\", "
        "\"member\": [\"e\"]}]}]}",
    };
    for (const char* manifest : manifests) {
        const std::string file = Archive({{"manifest.json", manifest}});
        EXPECT_EQ(Read(file), file + ": no backup of a Newton") << manifest;
    }
    test::WriteFile(dir.File("plain.txt"), "Hej");
    EXPECT_EQ(Read(dir.File("plain.txt")), dir.File("plain.txt") + ": no backup of a Newton");
}

TEST_F(BackupReaderTest, AnEntryLongerThanANewtonMessageIsDamageNotAnAllocation) {
    const std::string file =
        Archive({{"manifest.json",
                  "{\"complete\": true, \"stores\": [{\"name\": \"Internal\", \"soups\": "
                  "[{\"name\": \"Notes\", \"member\": \"e\"}]}]}"},
                 {"e", std::string("\xFF\xFF\xFF\xF0", 4) + "Hej"}});
    EXPECT_EQ(Read(file), std::nullopt);
    const auto lines = display.Lines();
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), "Notes on Internal is damaged in " + file + "."),
        lines.end());
    EXPECT_EQ(session.dock.exported, ExportOutcome::kCutShort);
}

}  // namespace
}  // namespace zd
