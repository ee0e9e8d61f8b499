#include "transfer/backup_reader.h"

#include <zip.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "base/display_ops.h"
#include "base/iso_time.h"
#include "base/session.h"
#include "dock/full_connection.h"
#include "transfer/data_export.h"
#include "transfer/zip_member.h"

namespace zd {
namespace {

// A member of the archive, read whole; nullopt when it cannot be.
std::optional<std::string> ReadMember(zip_t* archive, const std::string& name) {
    std::string bytes;
    if (!ReadZipMember(archive, name, [&bytes](std::string_view piece) { bytes += piece; }))
        return std::nullopt;
    return bytes;
}

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

// A soup the manifest lists: its store and name, and its member.
struct ListedSoup {
    dock::SoupReading::Entry entry;
    std::string member;
};

struct Listing {
    bool complete = false;
    std::vector<ListedSoup> soups;
};

// What the manifest lists, passing over what is not a store or a soup;
// nullopt for a manifest that is no backup's, or whose slots have the wrong
// kinds of value.
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
        listing.complete = manifest.value("complete", false);
        for (const json& store : *stores) {
            const json* soups = store.is_object() ? arrayIn(store, "soups") : nullptr;
            if (!soups) continue;
            ListedSoup listed;
            listed.entry.store = store.value("name", "");
            listed.entry.storeSignature = store.value("signature", 0);
            for (const json& soup : *soups) {
                if (!soup.is_object()) continue;
                listed.entry.soup = soup.value("name", "");
                listed.member = soup.value("member", "");
                listing.soups.push_back(listed);
            }
        }
    } catch (const json::exception&) {
        return std::nullopt;
    }
    return listing;
}

}  // namespace

std::optional<std::string> ExportFromBackup(Session& s, const ExportRequest& request,
                                            const std::string& file) {
    int error = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_RDONLY, &error);
    const std::optional<std::string> text =
        archive ? ReadMember(archive, "manifest.json") : std::nullopt;
    const nlohmann::json manifest =
        text ? nlohmann::json::parse(*text, nullptr, false) : nlohmann::json();
    const std::optional<Listing> listing = text ? ListingOf(manifest) : std::nullopt;
    if (!listing) {
        if (archive) zip_discard(archive);
        return file + ": no backup of a Newton";
    }
    // A backup exports the same files each time: stamped with its own time.
    const auto time = manifest.find("time");
    DataExport sink(
        request.folder, request.choice,
        ParseIsoTime(time != manifest.end() && time->is_string() ? time->get<std::string>() : "")
            .value_or(std::time(nullptr)));
    LogLine(s, sink.Beginning());
    bool whole = listing->complete;
    const std::vector<std::string>& wanted = sink.soups();
    for (const ListedSoup& soup : listing->soups) {
        const dock::SoupReading::Entry& entry = soup.entry;
        if (std::find(wanted.begin(), wanted.end(), entry.soup) == wanted.end()) continue;
        if (!ReplaySoup(s, archive, soup.member, entry, sink)) {
            LogLine(s, entry.soup + " on " + entry.store + " is damaged in " + file + ".");
            whole = false;
        }
    }
    zip_discard(archive);
    const ReadingSink::Ending ending = sink.Finish(s, whole, 0);
    LogLine(s, ending.line);
    s.dock.exported = ending.outcome;
    return std::nullopt;
}

}  // namespace zd
