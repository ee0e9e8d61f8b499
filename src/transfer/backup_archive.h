// A backup made by backup_file.h, opened to be read again: refused when it is
// no backup of ours or two of its members share a name, its manifest
// (version 1 or 2) read within bounds, and each member read and checked
// against the length and checksum the manifest gives it.  Texts that reach
// the log are made printable.
#pragma once

#include <zip.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zd {

class BackupArchive {
public:
    struct Member {
        std::string name;
        uint64_t bytes = 0;
        std::string sha256;
    };
    struct Soup {
        std::string name;
        std::optional<int32_t> signature;
        size_t entries = 0;
        // Read to its end.  A backup of version 1 says so of none: there
        // every soup of a complete backup is whole, none of an incomplete one.
        bool whole = false;
        Member data;
        std::optional<Member> info;
        std::optional<Member> indexes;
    };
    struct Store {
        std::string name;
        int32_t signature = 0;
        std::string kind;  // "" where the backup does not say
        bool whole = false;
        std::vector<Soup> soups;
    };
    struct Package {
        std::string name;  // the file's, safe on every disk
        std::string store;
        bool compressed = false;
        Member data;
    };
    // What the Newton said of itself.
    struct Newton {
        uint32_t id = 0;
        uint32_t manufacturer = 0;
        uint32_t machineType = 0;
        uint32_t romVersion = 0;
    };

    // The backup `file`; null with `why` set when it is none to read.
    static std::unique_ptr<BackupArchive> Open(const std::string& file, std::string* why);
    ~BackupArchive();
    BackupArchive(const BackupArchive&) = delete;
    BackupArchive& operator=(const BackupArchive&) = delete;

    int version() const { return m_version; }
    const std::string& owner() const { return m_owner; }
    const std::optional<Newton>& newton() const { return m_newton; }
    std::optional<std::time_t> time() const { return m_time; }
    const std::vector<Store>& stores() const { return m_stores; }
    const std::vector<Package>& packages() const { return m_packages; }
    // What the backup lacks, and what in its manifest is damage, in words.
    const std::vector<std::string>& missing() const { return m_missing; }

    // What is wrong with `member` ("its checksum differs"); nullopt when it
    // holds what the manifest says it does.
    std::optional<std::string> Damage(const Member& member) const;
    // `member` whole, when it is intact and at most `cap` bytes.
    std::optional<std::string> Bytes(const Member& member, uint64_t cap) const;

    // A soup's entries one at a time, as they were backed up.
    class Entries {
    public:
        Entries(Entries&& other) noexcept;
        ~Entries();
        // The next entry; nullopt at the end, or where the member is
        // damaged (then damaged() says so).
        std::optional<std::string> Next();
        bool damaged() const { return m_damaged; }

    private:
        friend class BackupArchive;
        explicit Entries(zip_file_t* file) : m_file(file), m_damaged(!file) {}
        zip_file_t* m_file;
        bool m_damaged;
    };
    Entries EntriesOf(const Soup& soup) const;

private:
    explicit BackupArchive(zip_t* archive) : m_archive(archive) {}
    // Takes the manifest's contents; false when they are no backup's.
    bool TakeManifest(const std::string& text);

    zip_t* m_archive;
    int m_version = 1;
    std::string m_owner;
    std::optional<Newton> m_newton;
    std::optional<std::time_t> m_time;
    std::vector<Store> m_stores;
    std::vector<Package> m_packages;
    std::vector<std::string> m_missing;
};

}  // namespace zd
