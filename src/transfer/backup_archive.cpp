#include "transfer/backup_archive.h"

#include <nlohmann/json.hpp>
#include <set>

#include "base/iso_time.h"
#include "base/printable.h"
#include "dock/full_connection.h"
#include "transfer/zip_member.h"

namespace zd {
namespace {

using nlohmann::json;

// A manifest is a few KiB for a Newton of thousands of entries; anything
// near this is no manifest of ours, and is not unpacked further.
constexpr uint64_t kMaxManifestBytes = 16u << 20;
// Objects inside objects in a manifest: ours go four deep.
constexpr int kMaxManifestDepth = 32;

// The manifest parsed, or nullopt where it nests deeper than ours ever does.
std::optional<json> ParseManifest(const std::string& text) {
    bool tooDeep = false;
    json manifest = json::parse(
        text,
        [&tooDeep](int depth, json::parse_event_t, json&) {
            tooDeep = tooDeep || depth > kMaxManifestDepth;
            return !tooDeep;
        },
        false);
    if (tooDeep || manifest.is_discarded()) return std::nullopt;
    return manifest;
}

// True when no two members of `archive` share a name: readers differ on
// which of two is the one.
bool NamesAreUnique(zip_t* archive) {
    std::set<std::string> names;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        if (!name || !names.insert(name).second) return false;
    }
    return true;
}

const json* ArrayIn(const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_array() ? &*found : nullptr;
}

// The member `object` describes.  REQUIRES: an object.
BackupArchive::Member MemberOf(const json& object) {
    return {object.value("member", ""), object.value("bytes", uint64_t{0}),
            object.value("sha256", "")};
}

std::optional<BackupArchive::Member> MemberIn(const json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_object()) return std::nullopt;
    return MemberOf(*found);
}

std::optional<int32_t> IntegerIn(const json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number_integer()) return std::nullopt;
    return found->get<int32_t>();
}

}  // namespace

std::unique_ptr<BackupArchive> BackupArchive::Open(const std::string& file, std::string* why) {
    int error = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_RDONLY, &error);
    if (!archive) {
        *why = "no backup of a Newton (it is no zip archive)";
        return nullptr;
    }
    std::unique_ptr<BackupArchive> backup(new BackupArchive(archive));
    if (!NamesAreUnique(archive)) {
        *why = "a damaged backup (two members have one name)";
        return nullptr;
    }
    const auto text = ZipMemberBytes(archive, "manifest.json", kMaxManifestBytes);
    if (!text) {
        *why = "no backup of a Newton (no manifest of at most 16 MiB)";
        return nullptr;
    }
    if (!backup->TakeManifest(*text)) {
        *why = "no backup of a Newton";
        return nullptr;
    }
    return backup;
}

BackupArchive::~BackupArchive() {
    zip_discard(m_archive);
}

bool BackupArchive::TakeManifest(const std::string& text) {
    const auto manifest = ParseManifest(text);
    if (!manifest || !manifest->is_object()) return false;
    const json* stores = ArrayIn(*manifest, "stores");
    if (!stores) return false;
    try {
        m_version = manifest->value("version", 1);
        m_owner = manifest->value("newton", "");
        if (const json* missing = ArrayIn(*manifest, "missing")) {
            for (const json& part : *missing)
                if (part.is_string()) m_missing.push_back(Printable(part.get<std::string>()));
        }
        const bool complete = manifest->value("complete", false);
        if (!complete && m_missing.empty())
            m_missing.push_back("what the backup itself lacks (it is marked incomplete)");
        if (const auto time = manifest->find("time"); time != manifest->end() && time->is_string())
            m_time = ParseIsoTime(time->get<std::string>());
        if (const auto newton = manifest->find("newton info");
            newton != manifest->end() && newton->is_object()) {
            m_newton = Newton{newton->value("id", 0u), newton->value("manufacturer", 0u),
                              newton->value("machine type", 0u), newton->value("rom version", 0u)};
        }
        // Each member is read once, however often a damaged manifest names it.
        std::set<std::string> members;
        for (const json& listed : *stores) {
            const json* soups = listed.is_object() ? ArrayIn(listed, "soups") : nullptr;
            if (!soups) continue;
            Store store{listed.value("name", ""),
                        listed.value("signature", 0),
                        listed.value("kind", ""),
                        listed.value("whole", m_version == 1 && complete),
                        {}};
            for (const json& listedSoup : *soups) {
                if (!listedSoup.is_object()) continue;
                Soup soup;
                soup.name = listedSoup.value("name", "");
                soup.signature = IntegerIn(listedSoup, "signature");
                soup.entries = listedSoup.value("entries", size_t{0});
                soup.whole = listedSoup.value("whole", m_version == 1 && complete);
                soup.data = MemberOf(listedSoup);
                soup.info = MemberIn(listedSoup, "info");
                soup.indexes = MemberIn(listedSoup, "indexes");
                if (!members.insert(soup.data.name).second) {
                    m_missing.push_back(Printable(soup.name) + " on " + Printable(store.name) +
                                        " listed twice");
                    continue;
                }
                store.soups.push_back(std::move(soup));
            }
            m_stores.push_back(std::move(store));
        }
        if (const json* packages = ArrayIn(*manifest, "packages")) {
            for (const json& listed : *packages) {
                if (!listed.is_object()) continue;
                Package package{listed.value("name", ""), listed.value("store", ""),
                                listed.value("compressed", false), MemberOf(listed)};
                if (members.insert(package.data.name).second)
                    m_packages.push_back(std::move(package));
            }
        }
    } catch (const json::exception&) {
        return false;
    }
    return true;
}

std::optional<std::string> BackupArchive::Damage(const Member& member) const {
    const auto sum = SumOfZipMember(m_archive, member.name);
    if (!sum) return "it cannot be read";
    if (sum->bytes != member.bytes || sum->sha256 != member.sha256) return "its checksum differs";
    return std::nullopt;
}

std::optional<std::string> BackupArchive::Bytes(const Member& member, uint64_t cap) const {
    if (member.bytes > cap) return std::nullopt;
    auto bytes = ZipMemberBytes(m_archive, member.name, cap);
    if (!bytes || bytes->size() != member.bytes) return std::nullopt;
    Sha256 sha;
    sha.Update(*bytes);
    if (sha.Hex() != member.sha256) return std::nullopt;
    return bytes;
}

BackupArchive::Entries BackupArchive::EntriesOf(const Soup& soup) const {
    return Entries(zip_fopen(m_archive, soup.data.name.c_str(), 0));
}

BackupArchive::Entries::Entries(Entries&& other) noexcept
    : m_file(other.m_file), m_damaged(other.m_damaged) {
    other.m_file = nullptr;
}

BackupArchive::Entries::~Entries() {
    if (m_file) zip_fclose(m_file);
}

std::optional<std::string> BackupArchive::Entries::Next() {
    if (!m_file || m_damaged) return std::nullopt;
    const auto read = [this](char* into, size_t size) {
        return zip_fread(m_file, into, size) == static_cast<zip_int64_t>(size);
    };
    char prefix[4];
    const zip_int64_t got = zip_fread(m_file, prefix, sizeof prefix);
    if (got == 0) return std::nullopt;
    const uint32_t length = got == 4 ? dock::ReadBigEndian32(std::string_view(prefix, 4)) : 0;
    // Every entry came in one message of the Newton's.
    std::string entry;
    if (got != 4 || length > dock::kMaxNewtonMessage) {
        m_damaged = true;
        return std::nullopt;
    }
    entry.resize(length);
    if (!read(entry.data(), length)) {
        m_damaged = true;
        return std::nullopt;
    }
    return entry;
}

}  // namespace zd
