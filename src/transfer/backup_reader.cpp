#include "transfer/backup_reader.h"

#include <zip.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>

#include "base/iso_time.h"
#include "base/printable.h"
#include "dock/full_connection.h"
#include "link/display_ops.h"
#include "session/session.h"
#include "transfer/data_export.h"
#include "transfer/zip_member.h"

namespace zd {
namespace {

// A manifest is a few KiB for a Newton of thousands of entries; anything
// near this is no manifest of ours, and is not unpacked further.
constexpr uint64_t kMaxManifestBytes = 16u << 20;
// Objects inside objects in a manifest: ours go four deep.
constexpr int kMaxManifestDepth = 32;

// Hands the entries of soup member `name` to `sink`, one at a time as they
// are read; false when the member is damaged.
bool ReplaySoup(Session& s, zip_t* archive, const std::string& name, dock::SoupReading::Entry entry,
                ReadingSink& sink) {
    zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
    if (!file) return false;
    const auto read = [file](char* into, size_t size) {
        return zip_fread(file, into, size) == static_cast<zip_int64_t>(size);
    };
    bool whole = true;
    for (char prefix[4]; read(prefix, 4);) {
        const uint32_t length =
            static_cast<uint8_t>(prefix[0]) << 24 | static_cast<uint8_t>(prefix[1]) << 16 |
            static_cast<uint8_t>(prefix[2]) << 8 | static_cast<uint8_t>(prefix[3]);
        // Every entry came in one message of the Newton's.
        if (length > dock::kMaxNewtonMessage) {
            whole = false;
            break;
        }
        entry.data.assign(length, '\0');
        if (!read(entry.data.data(), length)) {
            whole = false;
            break;
        }
        ++entry.number;
        sink.Save(s, entry);
    }
    zip_fclose(file);
    return whole;
}

// A soup the manifest lists: its store and name, its member, and what the
// member must hold.
struct ListedSoup {
    dock::SoupReading::Entry entry;
    std::string member;
    uint64_t bytes = 0;
    std::string sha256;
};

struct Listing {
    std::vector<ListedSoup> soups;
    // What the backup lacks, and what in the manifest is damage, in words.
    std::vector<std::string> missing;
    std::optional<std::time_t> time;
};

// The manifest parsed, or nullopt where it nests deeper than ours ever does.
std::optional<nlohmann::json> ParseManifest(const std::string& text) {
    using nlohmann::json;
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

// What the manifest lists, passing over what is not a store or a soup;
// nullopt for a manifest that is no backup's, or whose slots have the wrong
// kinds of value.  Texts that reach the log are made printable.
std::optional<Listing> ListingOf(const nlohmann::json& manifest) {
    using nlohmann::json;
    const auto arrayIn = [](const json& object, const char* key) -> const json* {
        const auto found = object.find(key);
        return found != object.end() && found->is_array() ? &*found : nullptr;
    };
    const json* stores = arrayIn(manifest, "stores");
    if (!stores) return std::nullopt;
    Listing listing;
    try {
        if (const json* missing = arrayIn(manifest, "missing")) {
            for (const json& part : *missing)
                if (part.is_string()) listing.missing.push_back(Printable(part.get<std::string>()));
        }
        if (!manifest.value("complete", false) && listing.missing.empty())
            listing.missing.push_back("what the backup itself lacks (it is marked incomplete)");
        if (const auto time = manifest.find("time"); time != manifest.end() && time->is_string())
            listing.time = ParseIsoTime(time->get<std::string>());
        std::set<std::string> members;
        for (const json& store : *stores) {
            const json* soups = store.is_object() ? arrayIn(store, "soups") : nullptr;
            if (!soups) continue;
            ListedSoup listed;
            listed.entry.store = Printable(store.value("name", ""));
            listed.entry.storeSignature = store.value("signature", 0);
            for (const json& soup : *soups) {
                if (!soup.is_object()) continue;
                listed.entry.soup = soup.value("name", "");
                listed.member = soup.value("member", "");
                listed.bytes = soup.value("bytes", uint64_t{0});
                listed.sha256 = soup.value("sha256", "");
                // A soup is read once, however often a damaged manifest names it.
                if (!members.insert(listed.member).second) {
                    listing.missing.push_back(Printable(listed.entry.soup) + " on " +
                                              listed.entry.store + " listed twice");
                    continue;
                }
                listing.soups.push_back(listed);
            }
        }
    } catch (const json::exception&) {
        return std::nullopt;
    }
    return listing;
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

// Why `archive` is no backup to read, or "" when it is one.
std::string Refusal(zip_t* archive, std::optional<Listing>* listing) {
    if (!archive) return "no backup of a Newton (it is no zip archive)";
    if (!NamesAreUnique(archive)) return "a damaged backup (two members have one name)";
    const auto text = ZipMemberBytes(archive, "manifest.json", kMaxManifestBytes);
    if (!text) return "no backup of a Newton (no manifest of at most 16 MiB)";
    const auto manifest = ParseManifest(*text);
    *listing = manifest ? ListingOf(*manifest) : std::nullopt;
    return *listing ? "" : "no backup of a Newton";
}

// True when the member of `soup` holds what the manifest says it does; else
// the log names it.
bool Intact(Session& s, zip_t* archive, const ListedSoup& soup, const std::string& file) {
    const auto sum = SumOfZipMember(archive, soup.member);
    if (sum && sum->bytes == soup.bytes && sum->sha256 == soup.sha256) return true;
    LogLine(s, Printable(soup.entry.soup) + " on " + soup.entry.store + " is damaged in " + file +
                   " (" + (sum ? "its checksum differs" : "it cannot be read") +
                   "); it is skipped.");
    return false;
}

}  // namespace

std::optional<std::string> ExportFromBackup(Session& s, const ExportRequest& request,
                                            const std::string& file) {
    int error = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_RDONLY, &error);
    std::optional<Listing> listing;
    const std::string refusal = Refusal(archive, &listing);
    if (!refusal.empty()) {
        if (archive) zip_discard(archive);
        return file + ": " + refusal;
    }
    // A backup exports the same files each time: stamped with its own time.
    DataExport sink(request.folder, request.choice, listing->time.value_or(std::time(nullptr)));
    LogLine(s, sink.Beginning());
    std::vector<std::string> missing = listing->missing;
    for (const std::string& part : missing) LogLine(s, "The backup lacks " + part + ".");
    const std::vector<std::string>& wanted = sink.soups();
    for (const ListedSoup& soup : listing->soups) {
        const dock::SoupReading::Entry& entry = soup.entry;
        if (std::find(wanted.begin(), wanted.end(), entry.soup) == wanted.end()) continue;
        const std::string which = Printable(entry.soup) + " on " + entry.store;
        if (!Intact(s, archive, soup, file)) {
            missing.push_back(which + ", which is damaged");
        } else if (!ReplaySoup(s, archive, soup.member, entry, sink)) {
            LogLine(s,
                    which + " is damaged in " + file +
                        " (an entry longer than the Newton sends); what came before it is kept.");
            missing.push_back(which + ", which is damaged");
        }
    }
    zip_discard(archive);
    // The export holds what the backup holds; what it lacks is said.
    const ReadingSink::Ending ending = sink.Finish(s, true, missing);
    LogLine(s, ending.line);
    s.dock.exported = ending.outcome;
    return std::nullopt;
}

}  // namespace zd
