// A backup file read again that is damaged or none of ours: refused or read
// as far as it goes, with a line saying so, never a crash, never an entry
// longer than the Newton could have sent, never a member that differs from
// its checksum, a manifest past its bound, or a soup read twice.
#include "transfer/backup_reader.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>

#include "nsof/nsof.h"
#include "support/link_fixture.h"
#include "transfer/zip_member.h"

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
    // A soup's listing in a manifest, its member holding `bytes`.
    static std::string Soup(const std::string& member, const std::string& bytes) {
        Sha256 sha;
        sha.Update(bytes);
        return "{\"name\": \"Notes\", \"member\": \"" + member +
               "\", \"bytes\": " + std::to_string(bytes.size()) + ", \"sha256\": \"" + sha.Hex() +
               "\"}";
    }
    static std::string Manifest(const std::string& soups, const std::string& store = "Internal",
                                const std::string& more = "\"complete\": true") {
        return "{" + more + ", \"stores\": [{\"name\": \"" + store + "\", \"soups\": [" + soups +
               "]}]}";
    }
    bool Logged(const std::string& line) {
        const auto lines = display.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

// One note entry as a backup keeps it: its length, then its objects.
std::string NoteEntry(const std::string& text) {
    nsof::Frame note{
        {{"data", nsof::Value{nsof::Array{
                      "",
                      {nsof::Value{nsof::Frame{{{"viewBounds", nsof::Value{nsof::SmallRect{}}},
                                                {"text", nsof::Value{nsof::String{text}}}}}}}}}}}};
    const std::string stream = nsof::Encode(nsof::Value{note});
    const uint32_t n = static_cast<uint32_t>(stream.size());
    return std::string{static_cast<char>(n >> 24), static_cast<char>(n >> 16),
                       static_cast<char>(n >> 8), static_cast<char>(n)} +
           stream;
}

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
    EXPECT_EQ(Read(dir.File("plain.txt")),
              dir.File("plain.txt") + ": no backup of a Newton (it is no zip archive)");
    std::string deep = "{\"stores\": []";
    for (int i = 0; i < 100; ++i)
        deep += ", \"x" + std::to_string(i) + "\": " + std::string(i, '[') + std::string(i, ']');
    deep += "}";
    EXPECT_EQ(Read(Archive({{"manifest.json", deep}})),
              dir.File("Åsa.newtonbackup") + ": no backup of a Newton")
        << "nested deeper than any manifest of ours";
}

TEST_F(BackupReaderTest, AManifestThatUnpacksPastItsBoundIsNotReadOn) {
    // 17 MiB of spaces pack into a few KiB.
    const std::string bomb = Manifest("") + std::string(17u << 20, ' ');
    const std::string file = Archive({{"manifest.json", bomb}});
    EXPECT_LT(std::filesystem::file_size(file), 100000u);
    EXPECT_EQ(Read(file), file + ": no backup of a Newton (no manifest of at most 16 MiB)");
}

TEST_F(BackupReaderTest, WhatIsDamagedIsNamedAndSkippedAndTheRestExported) {
    const std::string lying = std::string("\xFF\xFF\xFF\xF0", 4) + "Hej";
    const std::string good = NoteEntry("Mindqvist");
    std::string flipped = good;
    flipped.back() ^= 0x01;
    const struct {
        std::string what, manifest;
        Members members;
        std::string line;
    } cases[] = {
        {"an entry longer than a message",
         Manifest(Soup("e", lying)),
         {{"e", lying}},
         "Notes on Internal is damaged in FILE (an entry longer than the Newton sends); what came "
         "before it is kept."},
        {"a flipped bit",
         Manifest(Soup("e", good)),
         {{"e", flipped}},
         "Notes on Internal is damaged in FILE (its checksum differs); it is skipped."},
        {"a member cut short",
         Manifest(Soup("e", good)),
         {{"e", good.substr(0, 9)}},
         "Notes on Internal is damaged in FILE (its checksum differs); it is skipped."},
        {"a soup listed twice",
         Manifest(Soup("e", good) + ", " + Soup("e", good)),
         {{"e", good}},
         "The backup lacks Notes on Internal listed twice."},
        {"an incomplete backup",
         Manifest(Soup("e", good), "Internal",
                  "\"complete\": false, \"missing\": [\"the store Kort\"]"),
         {{"e", good}},
         "The backup lacks the store Kort."},
        {"a store name with escapes",
         Manifest(Soup("e", flipped), "In\\u001b[31mternal\\nFejk"),
         {{"e", good}},
         "Notes on In\\x1B[31mternal\\x0AFejk is damaged in FILE (its checksum differs); it is "
         "skipped."},
    };
    for (const auto& [what, manifest, members, line] : cases) {
        display.log.clear();
        Members all = members;
        all.insert(all.begin(), {"manifest.json", manifest});
        const std::string file = Archive(all);
        EXPECT_EQ(Read(file), std::nullopt) << what;
        std::string expected = line;
        if (const size_t at = expected.find("FILE"); at != std::string::npos)
            expected.replace(at, 4, file);
        EXPECT_TRUE(Logged(expected)) << what << "\n" << display.log;
        EXPECT_EQ(session.dock.exported, ExportOutcome::kSomeSkipped) << what;
    }
    EXPECT_TRUE(std::filesystem::exists(dir.File("ut/Mindqvist.txt")))
        << "what the backup holds is exported";
}

}  // namespace
}  // namespace zd
