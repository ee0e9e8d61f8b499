#include "transfer/backup_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "base/atomic_file.h"
#include "base/counted.h"
#include "base/iso_time.h"
#include "base/printable.h"
#include "link/display_ops.h"
#include "nsof/nsof.h"
#include "session/session.h"
#include "transfer/item_file.h"
#include "transfer/zip_member.h"
#include "translate/newton_text.h"

namespace zd {
namespace {

constexpr const char* kExtension = ".newtonbackup";
constexpr const char* kFormat = "Zandorelle backup of an Apple Newton";
// 1: entries, information frames from "ssgi", packages as they came.
// 2: what a restore needs besides (indexes, signatures, whole information
// frames, the Newton's version and clock, the applications), packages
// uncompressed where the Newton would.
constexpr int kVersion = 2;
constexpr const char* kEntriesFormat =
    "each entry: its length as 4 bytes, big-endian, then the entry as the Newton sent it "
    "(Newton Streamed Object Format)";

std::string Size(int64_t bytes) {
    char text[32];
    if (bytes >= 1 << 20) {
        std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1 << 20));
    } else if (bytes >= 1 << 10) {
        std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(bytes) / (1 << 10));
    } else {
        std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(bytes));
    }
    return text;
}

// "NAME (incomplete).newtonbackup" for "NAME.newtonbackup", or the first
// numbered one ("NAME (incomplete)-2.newtonbackup") that names no file yet: a
// backup cut short may be the only copy of a failing Newton's data.
std::string FreeIncompleteName(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    const size_t end =
        dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : path.size();
    for (int serial = 1;; ++serial) {
        const std::string name =
            NumberedName(path.substr(0, end) + " (incomplete)", serial) + path.substr(end);
        struct stat info {};
        if (::lstat(name.c_str(), &info) != 0) return name;
    }
}

std::string LocalTime(std::time_t when, const char* format) {
    char text[32];
    std::strftime(text, sizeof text, format, std::localtime(&when));
    return text;
}

}  // namespace

// What arrives, on disk beside the archive until it is written.  The soups'
// entries and the packages they carry go into spools of their own, so that
// each member of the archive is one unbroken run of its spool.
struct BackupFile::Spool {
    std::string path;
    int fd = -1;
    int64_t size = 0;
    int error = 0;
    ~Spool() {
        if (fd >= 0) ::close(fd);
        if (!path.empty()) ::unlink(path.c_str());
    }
};

// One file of the archive, a run of a spool, with its checksum.
struct BackupFile::Member {
    std::string name;
    Spool* spool = nullptr;
    int64_t offset = -1;
    int64_t length = 0;
    Sha256 sha;
    std::string digest;  // once whole
    std::string Digest() {
        if (digest.empty()) digest = sha.Hex();
        return digest;
    }
};

struct BackupFile::Soup {
    std::string name;
    int32_t signature = 0;
    size_t entries = 0;
    std::unique_ptr<Member> info;
    std::unique_ptr<Member> indexes;
    std::unique_ptr<Member> data;
    bool whole = false;  // its end came
    std::optional<int32_t> highestId;
};

struct BackupFile::Store {
    std::string name;
    int32_t signature = 0;
    std::optional<size_t> soupsListed;  // once its soups' names came
    std::vector<Soup> soups;
    bool whole() const {
        return soupsListed && *soupsListed == soups.size() &&
               std::all_of(soups.begin(), soups.end(), [](const Soup& soup) { return soup.whole; });
    }
};

struct BackupFile::Package {
    std::string name;
    std::string packageName;  // as the Newton names it
    std::string store;
    bool compressed = false;
    std::string compander;
    std::unique_ptr<Member> data;
};

BackupFile::BackupFile(std::string path, std::string owner, std::optional<dock::NewtonInfo> newton,
                       std::time_t when)
    : m_path(std::move(path)),
      m_owner(std::move(owner)),
      m_newton(std::move(newton)),
      m_when(when),
      m_entrySpool(new Spool),
      m_packageSpool(new Spool) {
    for (Spool* spool : {m_entrySpool.get(), m_packageSpool.get()}) {
        spool->fd = CreateTemporaryBeside(m_path, &spool->path);
        if (spool->fd < 0) spool->error = errno;
    }
    if (m_newton) m_newtonInfo = WholeMember("newton.info", m_newton->block);
}

BackupFile::~BackupFile() = default;

std::string BackupFile::DefaultPath(const std::string& folder, const std::string& owner,
                                    std::time_t when) {
    const std::string name = SafeFileName((owner.empty() ? "The" : owner + "'s") + " Newton " +
                                          LocalTime(when, "%Y-%m-%d"));
    for (int serial = 1;; ++serial) {
        const std::string path = folder + "/" + NumberedName(name, serial) + kExtension;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) return path;
    }
}

const std::vector<std::string>& BackupFile::soups() const {
    static const std::vector<std::string> kEvery;
    return kEvery;
}

std::string BackupFile::Beginning() const {
    return "Backing up the Newton to " + m_path + "\u2026";
}

std::string BackupFile::Count(size_t entries) const {
    return Counted(entries, "entry", "entries");
}

void BackupFile::Keep(Member& member, std::string_view bytes) {
    Spool& spool = *member.spool;
    if (member.offset < 0) member.offset = spool.size;
    member.sha.Update(bytes);
    member.length += static_cast<int64_t>(bytes.size());
    spool.size += static_cast<int64_t>(bytes.size());
    while (spool.error == 0 && !bytes.empty()) {
        const ssize_t n = ::write(spool.fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) spool.error = errno;
        if (n > 0) bytes.remove_prefix(static_cast<size_t>(n));
    }
}

std::unique_ptr<BackupFile::Member> BackupFile::WholeMember(std::string name,
                                                            std::string_view bytes) {
    auto member = std::make_unique<Member>();
    member->name = std::move(name);
    member->spool = m_entrySpool.get();
    Keep(*member, bytes);
    return member;
}

BackupFile::Store& BackupFile::StoreOf(const dock::SoupReading::Entry& entry) {
    if (m_storeList.empty() || m_storeList.back().name != entry.store ||
        m_storeList.back().signature != entry.storeSignature) {
        m_storeList.push_back({entry.store, entry.storeSignature, std::nullopt, {}});
    }
    return m_storeList.back();
}

BackupFile::Soup& BackupFile::SoupOf(const dock::SoupReading::Entry& entry) {
    Store& store = StoreOf(entry);
    if (store.soups.empty() || store.soups.back().name != entry.soup) {
        const std::string folder = "stores/" + std::to_string(m_storeList.size()) + "/soups/" +
                                   std::to_string(store.soups.size() + 1) + "/";
        Soup soup;
        soup.name = entry.soup;
        soup.signature = entry.soupSignature;
        soup.info = std::make_unique<Member>();
        soup.indexes = std::make_unique<Member>();
        soup.data = std::make_unique<Member>();
        soup.info->name = folder + "info.nsof";
        soup.indexes->name = folder + "indexes.nsof";
        soup.data->name = folder + "entries";
        soup.info->spool = soup.indexes->spool = soup.data->spool = m_entrySpool.get();
        store.soups.push_back(std::move(soup));
    }
    return store.soups.back();
}

void BackupFile::KeepStores(std::string_view list) {
    m_stores = WholeMember("stores.nsof", list);
    const nsof::Decoded stores = nsof::Decode(list);
    const nsof::Array* array = stores.value ? stores.value->As<nsof::Array>() : nullptr;
    for (const nsof::Value& store : array ? array->elements : std::vector<nsof::Value>{}) {
        const auto signature = IntegerOf(store.Find("signature"));
        if (signature) m_storeKinds.emplace_back(*signature, TextSlot(store, "kind"));
    }
}

void BackupFile::Save(Session& s, const dock::SoupReading::Entry& entry) {
    using Kind = dock::SoupReading::Entry::Kind;
    switch (entry.kind) {
        case Kind::kClock:
            if (entry.data.size() >= 4) m_clock = dock::ReadBigEndian32(entry.data);
            return;
        case Kind::kApplications:
            m_applications = WholeMember("applications.nsof", entry.data);
            return;
        case Kind::kStores:
            KeepStores(entry.data);
            return;
        case Kind::kStoreSoups: {
            const nsof::Decoded names = nsof::Decode(entry.data);
            const nsof::Array* array = names.value ? names.value->As<nsof::Array>() : nullptr;
            StoreOf(entry).soupsListed =
                std::min(array ? array->elements.size() : 0, dock::kMaxSoups);
            return;
        }
        case Kind::kSoupIndexes:
            Keep(*SoupOf(entry).indexes, entry.data);
            return;
        case Kind::kSoupInfo:
            Keep(*SoupOf(entry).info, entry.data);
            return;
        case Kind::kSoupDone:
            SoupOf(entry).whole = true;
            return;
        case Kind::kEntry:
            KeepEntry(s, entry);
            return;
    }
}

void BackupFile::KeepEntry(Session& s, const dock::SoupReading::Entry& entry) {
    Soup& soup = SoupOf(entry);
    const uint32_t length = static_cast<uint32_t>(entry.data.size());
    Keep(*soup.data, dock::BigEndian32(length));
    Keep(*soup.data, entry.data);
    ++soup.entries;
    ++m_entries;
    const nsof::Decoded decoded = nsof::Decode(entry.data);
    if (!decoded.value) return;
    if (const auto id = IntegerOf(decoded.value->Find("_uniqueID")))
        soup.highestId = std::max(soup.highestId.value_or(*id), *id);
    if (entry.soup == "Packages") KeepPackage(s, *decoded.value, entry.store, entry.number);
}

void BackupFile::KeepPackage(Session& s, const nsof::Value& entry, const std::string& store,
                             size_t number) {
    const nsof::Value* reference = entry.Find("pkgRef");
    const nsof::LargeBinary* large = reference ? reference->As<nsof::LargeBinary>() : nullptr;
    const nsof::Binary* small = reference ? reference->As<nsof::Binary>() : nullptr;
    if (!large && !small) {
        LogLine(s, "Package " + std::to_string(number) +
                       " holds no package to save as a file; its entry is kept.");
        return;
    }
    std::string name = TextSlot(entry, "packageName");
    Package package{SafeFileName(name.empty() ? "package " + std::to_string(number) : name),
                    name,
                    store,
                    large && large->compressed,
                    large ? large->compander : "",
                    std::make_unique<Member>()};
    package.data->name = m_packageNames.Take("packages/" + package.name, ".pkg");
    package.data->spool = m_packageSpool.get();
    if (package.compressed) {
        LogLine(s, "The package " + Printable(package.name) + " is compressed (" +
                       Printable(package.compander) + "): its bytes are kept as they came.");
    }
    Keep(*package.data, large ? large->bytes : small->bytes);
    m_packages.push_back(std::move(package));
}

std::string BackupFile::Manifest(const std::vector<std::string>& missing) const {
    using nlohmann::json;
    const auto member = [](Member& m) {
        return json{{"member", m.name}, {"bytes", m.length}, {"sha256", m.Digest()}};
    };
    json stores = json::array();
    for (const Store& store : m_storeList) {
        json soups = json::array();
        for (const Soup& soup : store.soups) {
            json entry = member(*soup.data);
            entry["name"] = soup.name;
            entry["signature"] = soup.signature;
            entry["entries"] = soup.entries;
            entry["whole"] = soup.whole;
            if (soup.highestId) entry["highest id"] = *soup.highestId;
            if (soup.info->length > 0) entry["info"] = member(*soup.info);
            if (soup.indexes->length > 0) entry["indexes"] = member(*soup.indexes);
            soups.push_back(entry);
        }
        json listed{{"name", store.name},
                    {"signature", store.signature},
                    {"whole", store.whole()},
                    {"soups", soups}};
        for (const auto& [signature, kind] : m_storeKinds)
            if (signature == store.signature) listed["kind"] = kind;
        stores.push_back(listed);
    }
    json packages = json::array();
    for (const Package& package : m_packages) {
        json entry = member(*package.data);
        entry["name"] = package.name;
        entry["package name"] = package.packageName;
        entry["store"] = package.store;
        entry["compressed"] = package.compressed;
        if (package.compressed) entry["compander"] = package.compander;
        packages.push_back(entry);
    }
    json manifest{
        {"format", kFormat}, {"version", kVersion},          {"entries format", kEntriesFormat},
        {"newton", m_owner}, {"time", IsoLocalTime(m_when)}, {"complete", missing.empty()},
        {"stores", stores},  {"packages", packages}};
    if (m_newton) {
        manifest["newton info"] = member(*m_newtonInfo);
        manifest["newton info"].update({{"id", m_newton->id},
                                        {"manufacturer", m_newton->manufacturer},
                                        {"machine type", m_newton->machineType},
                                        {"rom version", m_newton->romVersion}});
    }
    if (m_clock) manifest["newton clock"] = *m_clock;
    if (!missing.empty()) manifest["missing"] = missing;
    if (m_stores) manifest["stores list"] = member(*m_stores);
    if (m_applications) manifest["applications"] = member(*m_applications);
    return manifest.dump(1, ' ', false, json::error_handler_t::replace);
}

int BackupFile::WriteArchive(const std::string& path, const std::vector<std::string>& missing,
                             std::string* why) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) {
        zip_error_t failure;
        zip_error_init_with_code(&failure, error);
        *why = zip_error_strerror(&failure);
        zip_error_fini(&failure);
        return EIO;
    }
    std::vector<Member*> members;
    for (Member* whole : {m_newtonInfo.get(), m_stores.get(), m_applications.get()})
        if (whole) members.push_back(whole);
    for (Store& store : m_storeList) {
        for (Soup& soup : store.soups) {
            if (soup.info->length > 0) members.push_back(soup.info.get());
            if (soup.indexes->length > 0) members.push_back(soup.indexes.get());
            members.push_back(soup.data.get());
        }
    }
    for (Package& package : m_packages) members.push_back(package.data.get());
    // Every member is the owner's alone when unpacked, as the Newton's data are.
    const auto add = [archive](const std::string& name, zip_source_t* source) {
        const zip_int64_t index =
            source ? zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        return index >= 0 &&
               zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0,
                                                ZIP_OPSYS_UNIX, (S_IFREG | 0600) << 16) == 0;
    };
    const std::string manifest = Manifest(missing);
    bool added =
        add("manifest.json", zip_source_buffer(archive, manifest.data(), manifest.size(), 0));
    for (Member* member : members) {
        // A soup cut off before its first entry has none: a length of 0
        // would mean the rest of the spool.
        zip_source_t* source =
            member->length == 0
                ? zip_source_buffer(archive, nullptr, 0, 0)
                : zip_source_file(archive, member->spool->path.c_str(),
                                  static_cast<zip_uint64_t>(member->offset), member->length);
        added = added && add(member->name, source);
    }
    if (!added || zip_close(archive) != 0) {
        *why = zip_strerror(archive);
        zip_discard(archive);
        return EIO;
    }
    // Read back: every member as it arrived.
    archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive) {
        *why = "it cannot be read back";
        return EIO;
    }
    std::string wrong;
    for (Member* member : members) {
        Sha256 sha;
        const bool read = ReadZipMember(archive, member->name,
                                        [&sha](std::string_view piece) { sha.Update(piece); });
        if (!read || sha.Hex() != member->Digest()) {
            wrong = member->name;
            break;
        }
    }
    zip_discard(archive);
    if (!wrong.empty()) {
        *why = wrong + " did not read back as it arrived";
        return EIO;
    }
    return 0;
}

std::optional<std::string> BackupFile::Trouble() const {
    const int error = m_entrySpool->error != 0 ? m_entrySpool->error : m_packageSpool->error;
    if (error == 0) return std::nullopt;
    return "The backup cannot be written (" + WriteFailure(m_entrySpool->path, error) +
           "); the reading has ended.";
}

ReadingSink::Ending BackupFile::Finish(Session& s, bool whole,
                                       const std::vector<std::string>& missing) {
    (void)s;
    Ending ending;
    std::vector<std::string> lacking = missing;
    if (!whole) lacking.push_back("what was still to come: the reading was cut short");
    // A name the user chose is theirs to replace; a backup that is not whole
    // takes a name of its own.
    const std::string target = lacking.empty() ? m_path : FreeIncompleteName(m_path);
    std::string temporary, why;
    int error = m_entrySpool->error != 0 ? m_entrySpool->error : m_packageSpool->error;
    if (error == 0) {
        const int fd = CreateTemporaryBeside(target, &temporary);
        error = fd < 0 ? errno : 0;
        if (fd >= 0) ::close(fd);
    }
    if (error == 0) error = WriteArchive(temporary, lacking, &why);
    if (error == 0)
        error = PlaceTemporary(temporary, target,
                               lacking.empty() ? IfTaken::kReplace : IfTaken::kRefuse);
    if (error != 0) {
        if (!temporary.empty()) ::unlink(temporary.c_str());
        ending.line = "Couldn't write the backup " + target + " (" +
                      (why.empty() ? WriteFailure(target, error) : why) + "); no backup was kept.";
        ending.title = "The backup could not be written";
        ending.detail = ending.line;
        ending.outcome = ExportOutcome::kCutShort;
        return ending;
    }
    struct stat info {};
    ::stat(target.c_str(), &info);
    size_t soups = 0;
    for (const Store& store : m_storeList) soups += store.soups.size();
    const std::string what =
        Counted(m_entries, "entry", "entries") + " of " + Counted(soups, "soup", "soups") + " on " +
        Counted(m_storeList.size(), "store", "stores") + " (" + Size(info.st_size) + ")";
    ending.detail = target;
    if (!whole) {
        ending.line = "The backup was cut short: " + what + " are kept in " + target + ".";
        ending.title = "The backup was cut short";
        ending.outcome = ExportOutcome::kCutShort;
        return ending;
    }
    if (!missing.empty()) {
        std::string lacks;
        for (const std::string& part : missing) lacks += (lacks.empty() ? "" : ", ") + part;
        ending.line = "The backup is incomplete: " + what + " are kept in " + target +
                      "; it lacks " + lacks + ".";
        ending.title = "The backup is incomplete";
        ending.outcome = ExportOutcome::kSomeSkipped;
        return ending;
    }
    ending.line = "Backed up " + what + " to " + target + ".";
    ending.title = "The Newton is backed up";
    ending.outcome = ExportOutcome::kAllSaved;
    return ending;
}

}  // namespace zd
