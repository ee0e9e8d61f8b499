// A whole backup of the Newton as one zip archive: a JSON manifest (the
// Newton and its version information, its clock, the time, every store and
// soup with its signature, its entries' count, size and checksum, its
// highest unique id and whether it was read whole), the stores' list, the
// applications and their soups, and each soup's indexes, information frame
// and entries exactly as the Newton sent them, and each package of the
// Packages soup as a .pkg file: all that a restore needs.  What arrives is spooled to disk beside
// the archive, so that memory stays flat however large the backup; the archive is written beside
// its name, read back against every checksum, and only then takes the name.
// A reading cut short, or one that could not read a store or soup, leaves an
// archive named as incomplete, under a name of its own.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transfer/item_file.h"
#include "transfer/reading_sink.h"

namespace zd {

class BackupFile final : public ReadingSink {
public:
    // The backup of `owner`'s Newton at `path`, made at `when`; `newton` is
    // what the Newton said of itself, where it said it.
    BackupFile(std::string path, std::string owner, std::optional<dock::NewtonInfo> newton,
               std::time_t when);
    ~BackupFile() override;

    // The name a backup gets in `folder` by default:
    // "OWNER's Newton YYYY-MM-DD.newtonbackup".
    static std::string DefaultPath(const std::string& folder, const std::string& owner,
                                   std::time_t when);

    const std::vector<std::string>& soups() const override;
    std::string Beginning() const override;
    std::string Count(size_t entries) const override;
    void Save(Session& s, const dock::SoupReading::Entry& entry) override;
    std::optional<std::string> Trouble() const override;
    Ending Finish(Session& s, bool whole, const std::vector<std::string>& missing) override;

private:
    struct Spool;
    struct Member;
    struct Soup;
    struct Store;
    struct Package;

    // Keeps `bytes` as (the next part of) member `member`.
    void Keep(Member& member, std::string_view bytes);
    // `member` of the backup, made `name`, kept whole from `bytes`.
    std::unique_ptr<Member> WholeMember(std::string name, std::string_view bytes);
    Store& StoreOf(const dock::SoupReading::Entry& entry);
    Soup& SoupOf(const dock::SoupReading::Entry& entry);
    void KeepEntry(Session& s, const dock::SoupReading::Entry& entry);
    // The stores' list, and the kind of each store it names.
    void KeepStores(std::string_view list);
    void KeepPackage(Session& s, const nsof::Value& entry, const std::string& store, size_t number);
    // Writes the archive to `path` and reads it back; 0 or an errno.
    int WriteArchive(const std::string& path, const std::vector<std::string>& missing,
                     std::string* why);
    // The manifest; the backup is complete when nothing is `missing`.
    std::string Manifest(const std::vector<std::string>& missing) const;

    std::string m_path;
    std::string m_owner;
    std::optional<dock::NewtonInfo> m_newton;
    std::time_t m_when;
    std::optional<uint32_t> m_clock;  // minutes since 1904, the Newton's local time
    std::unique_ptr<Member> m_newtonInfo;
    std::unique_ptr<Member> m_applications;
    std::vector<std::pair<int32_t, std::string>> m_storeKinds;  // by signature
    std::unique_ptr<Spool> m_entrySpool;
    std::unique_ptr<Spool> m_packageSpool;
    std::unique_ptr<Member> m_stores;
    std::vector<Store> m_storeList;
    std::vector<Package> m_packages;
    UniqueNames m_packageNames;
    size_t m_entries = 0;
};

}  // namespace zd
