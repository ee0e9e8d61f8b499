#include "transfer/backup_reader.h"

#include <algorithm>

#include "base/printable.h"
#include "link/display_ops.h"
#include "session/session.h"
#include "transfer/backup_archive.h"
#include "transfer/data_export.h"

namespace zd {
namespace {

// Hands the entries of `soup` to `sink`, one at a time as they are read;
// false when the member is damaged.
bool ReplaySoup(Session& s, const BackupArchive& backup, const BackupArchive::Soup& soup,
                dock::SoupReading::Entry entry, ReadingSink& sink) {
    BackupArchive::Entries entries = backup.EntriesOf(soup);
    while (auto data = entries.Next()) {
        entry.data = std::move(*data);
        ++entry.number;
        sink.Save(s, entry);
    }
    return !entries.damaged();
}

}  // namespace

std::optional<std::string> ExportFromBackup(Session& s, const ExportRequest& request,
                                            const std::string& file) {
    std::string why;
    const auto backup = BackupArchive::Open(file, &why);
    if (!backup) return file + ": " + why;
    // A backup exports the same files each time: stamped with its own time.
    DataExport sink(request.folder, request.choice, backup->time().value_or(std::time(nullptr)));
    LogLine(s, sink.Beginning());
    std::vector<std::string> missing = backup->missing();
    for (const std::string& part : missing) LogLine(s, "The backup lacks " + part + ".");
    const std::vector<std::string>& wanted = sink.soups();
    for (const BackupArchive::Store& store : backup->stores()) {
        for (const BackupArchive::Soup& soup : store.soups) {
            if (std::find(wanted.begin(), wanted.end(), soup.name) == wanted.end()) continue;
            dock::SoupReading::Entry entry;
            entry.store = Printable(store.name);
            entry.storeSignature = store.signature;
            entry.soup = soup.name;
            const std::string which = Printable(soup.name) + " on " + entry.store;
            if (const auto damage = backup->Damage(soup.data)) {
                LogLine(s, which + " is damaged in " + file + " (" + *damage + "); it is skipped.");
                missing.push_back(which + ", which is damaged");
            } else if (!ReplaySoup(s, *backup, soup, entry, sink)) {
                LogLine(s, which + " is damaged in " + file +
                               " (an entry longer than the Newton sends); what came before it is "
                               "kept.");
                missing.push_back(which + ", which is damaged");
            }
        }
    }
    // The export holds what the backup holds; what it lacks is said.
    const ReadingSink::Ending ending = sink.Finish(s, true, missing);
    LogLine(s, ending.line);
    s.dock.exported = ending.outcome;
    return std::nullopt;
}

}  // namespace zd
