#include "transfer/data_export.h"

#include <sys/stat.h>

#include <cstring>

#include "base/atomic_file.h"
#include "base/counted.h"
#include "link/display_ops.h"
#include "nsof/nsof.h"
#include "session/session.h"
#include "transfer/entry_log.h"
#include "translate/icalendar.h"
#include "translate/vcard.h"

namespace zd {
namespace {

// The soups of the Newton's built-in applications, by their names there.
constexpr const char* kNotesSoup = "Notes";
constexpr const char* kNamesSoup = "Names";
constexpr const char* kDatesSoups[] = {"Calendar", "Calendar Notes", "Repeat Meetings",
                                       "Repeat Notes"};
constexpr const char* kToDoSoup = "To Do List";

bool IsDates(const std::string& soup) {
    for (const char* dates : kDatesSoups)
        if (soup == dates) return true;
    return false;
}

}  // namespace

DataExport::DataExport(std::string folder, ExportChoice choice, std::time_t read)
    : m_folder(std::move(folder)), m_notesOnly(choice.notesAlone()), m_read(read) {
    if (choice.notes) m_soups.push_back(kNotesSoup);
    if (choice.names) {
        m_soups.push_back(kNamesSoup);
        Start(m_names, "card", "cards", "Names.vcf", "", "");
    }
    if (choice.dates) {
        m_soups.insert(m_soups.end(), std::begin(kDatesSoups), std::end(kDatesSoups));
        Start(m_dates, "event", "events", "Dates.ics", CalendarBegin("Dates"), CalendarEnd());
    }
    if (choice.todo) {
        m_soups.push_back(kToDoSoup);
        Start(m_todo, "task", "tasks", "To Do.ics", CalendarBegin("To Do"), CalendarEnd());
    }
    if (choice.notes) {
        const std::string notes = m_notesOnly ? m_folder : m_folder + "/Notes";
        ::mkdir(notes.c_str(), 0777);
        m_notes = std::make_unique<NoteFiles>(notes);
    }
}

void DataExport::Start(Sheet& sheet, const char* noun, const char* nouns, const std::string& name,
                       const std::string& begin, const std::string& end) {
    sheet.noun = noun;
    sheet.nouns = nouns;
    sheet.file = std::make_unique<AtomicWriter>(m_folder + "/" + name);
    sheet.end = end;
    // A failure here is the file's, and is told when it is to take its name.
    if (sheet.file->Open() == 0) (void)sheet.file->Append(begin);
}

DataExport::Sheet* DataExport::SheetFor(const std::string& soup) {
    if (soup == kNamesSoup && m_names.file) return &m_names;
    if (IsDates(soup) && m_dates.file) return &m_dates;
    if (soup == kToDoSoup && m_todo.file) return &m_todo;
    return nullptr;
}

std::string DataExport::Beginning() const {
    return (m_notesOnly ? "Saving the Newton's notes in " : "Saving the Newton's data in ") +
           m_folder + "\u2026";
}

std::string DataExport::Count(size_t entries) const {
    return m_notesOnly ? Counted(entries, "note", "notes") : Counted(entries, "entry", "entries");
}

void DataExport::Save(Session& s, const dock::SoupReading::Entry& entry) {
    if (entry.kind != dock::SoupReading::Entry::Kind::kEntry) return;
    if (entry.soup == kNotesSoup && m_notes) {
        m_notes->Save(s, entry.data, "note " + std::to_string(entry.number) + " of " + entry.store);
        return;
    }
    Sheet* sheet = SheetFor(entry.soup);
    if (!sheet) return;
    const std::string which =
        "entry " + std::to_string(entry.number) + " of " + entry.soup + " on " + entry.store;
    const nsof::Decoded decoded = nsof::Decode(entry.data);
    std::string why = DamagedEntry(decoded.error);
    std::optional<Translated> translated;
    if (decoded.value) {
        const int32_t store = entry.storeSignature;
        translated = sheet == &m_names   ? CardAsVCard(*decoded.value, store, &why)
                     : sheet == &m_dates ? MeetingAsEvents(*decoded.value, store, m_read, &why)
                                         : TasksAsTodos(*decoded.value, store, m_read, &why);
    }
    if (!translated) {
        ++sheet->skipped;
        m_skips.Skipped(s, which, why);
        return;
    }
    std::vector<std::string> oddities = decoded.oddities;
    oddities.insert(oddities.end(), translated->oddities.begin(), translated->oddities.end());
    LogOddities(s, which, oddities);
    (void)sheet->file->Append(translated->text);
    sheet->saved += translated->count;
}

ReadingSink::Ending DataExport::Finish(Session& s, bool whole,
                                       const std::vector<std::string>& missing) {
    const size_t leftOut = missing.size();
    m_skips.Flush(s);
    if (m_notes) m_notes->Finish(s);
    std::string saved;
    const auto count = [&saved](size_t n, const char* noun, const char* nouns) {
        saved += (saved.empty() ? "" : ", ") + Counted(n, noun, nouns);
    };
    size_t skippedCount = 0;
    if (m_notes) {
        count(m_notes->saved(), "note", "notes");
        skippedCount += m_notes->skipped();
        if (!m_notesOnly) LogLine(s, "The notes are in " + m_notes->folder() + ".");
    }
    for (Sheet* sheet : {&m_names, &m_dates, &m_todo}) {
        if (!sheet->file) continue;
        skippedCount += sheet->skipped;
        if (!whole) {
            sheet->file->Abandon();
            LogLine(s, sheet->file->path() + " was left as it was: the reading was cut short.");
            continue;
        }
        int error = sheet->file->Append(sheet->end);
        if (error == 0) error = sheet->file->Commit(IfTaken::kReplace);
        if (error != 0) {
            LogLine(s, "Couldn't save " + sheet->file->path() + " (" +
                           WriteFailure(sheet->file->path(), error) + ").");
            skippedCount += sheet->saved;
            continue;
        }
        count(sheet->saved, sheet->noun, sheet->nouns);
        LogLine(s, "The " + std::string(sheet->nouns) + " are in " + sheet->file->path() + ".");
    }
    Ending ending;
    ending.line = m_notesOnly ? saved + " saved in " + m_folder
                              : "Saved the Newton's data in " + m_folder + ": " + saved;
    if (skippedCount > 0) ending.line += "; " + std::to_string(skippedCount) + " skipped";
    for (size_t i = 0; i < leftOut; ++i)
        ending.line += (i == 0 ? "; not read: " : ", ") + missing[i];
    if (!whole) ending.line += "; the reading was cut short";
    ending.line += ".";
    ending.title = m_notesOnly ? saved + " from the Newton saved" : "The Newton's data saved";
    ending.detail = whole ? "In " + m_folder : "The reading was cut short.";
    ending.outcome = !whole                            ? ExportOutcome::kCutShort
                     : skippedCount > 0 || leftOut > 0 ? ExportOutcome::kSomeSkipped
                                                       : ExportOutcome::kAllSaved;
    return ending;
}

}  // namespace zd
