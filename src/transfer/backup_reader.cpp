#include "transfer/backup_reader.h"

#include <zip.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "base/display_ops.h"
#include "base/session.h"
#include "transfer/data_export.h"

namespace zd {
namespace {

// A member of the archive, read whole; nullopt when it cannot be.
std::optional<std::string> ReadMember(zip_t* archive, const std::string& name) {
    zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
    if (!file) return std::nullopt;
    std::string bytes;
    char chunk[64 * 1024];
    zip_int64_t n = 0;
    while ((n = zip_fread(file, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, static_cast<size_t>(n));
    zip_fclose(file);
    if (n < 0) return std::nullopt;
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

}  // namespace

std::optional<std::string> ExportFromBackup(Session& s, const ExportRequest& request,
                                            const std::string& file) {
    int error = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_RDONLY, &error);
    const std::optional<std::string> text =
        archive ? ReadMember(archive, "manifest.json") : std::nullopt;
    const nlohmann::json manifest =
        text ? nlohmann::json::parse(*text, nullptr, false) : nlohmann::json();
    if (!manifest.is_object() || !manifest["stores"].is_array()) {
        if (archive) zip_discard(archive);
        return file + ": no backup of a Newton";
    }
    DataExport sink(request.folder, request.choice);
    LogLine(s, sink.Beginning());
    bool whole = manifest.value("complete", false);
    const std::vector<std::string>& wanted = sink.soups();
    for (const auto& store : manifest["stores"]) {
        if (!store.is_object() || !store["soups"].is_array()) continue;
        dock::SoupReading::Entry entry;
        entry.store = store.value("name", "");
        entry.storeSignature = store.value("signature", 0);
        for (const auto& soup : store["soups"]) {
            if (!soup.is_object()) continue;
            entry.soup = soup.value("name", "");
            if (std::find(wanted.begin(), wanted.end(), entry.soup) == wanted.end()) continue;
            if (!ReplaySoup(s, archive, soup.value("member", ""), entry, sink)) {
                LogLine(s, entry.soup + " on " + entry.store + " is damaged in " + file + ".");
                whole = false;
            }
        }
    }
    zip_discard(archive);
    const ReadingSink::Ending ending = sink.Finish(s, whole, 0);
    LogLine(s, ending.line);
    s.dock.exported = ending.outcome;
    return std::nullopt;
}

}  // namespace zd
