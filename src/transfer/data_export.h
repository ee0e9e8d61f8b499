// What one reading of the Newton's soups saves, as its entries arrive: the
// notes as text files, every card in one vCard file "Names.vcf", every
// meeting and event in one calendar "Dates.ics", every task in "To Do.ics".
// The single files are written beside their names and take them only when
// the reading was whole: an earlier export's file is replaced whole or kept.
#pragma once

#include <cstddef>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/export_choice.h"
#include "dock/soup_reading.h"
#include "transfer/note_files.h"
#include "transfer/reading_sink.h"

namespace zd {

class DataExport final : public ReadingSink {
public:
    // Saves into `folder`: the notes in its subfolder "Notes", or in `folder`
    // itself when they are all that is saved (the notes alone, as ever).
    // The calendars are stamped `read`: when the Newton's data were read.
    DataExport(std::string folder, ExportChoice choice, std::time_t read);

    const std::vector<std::string>& soups() const override { return m_soups; }
    std::string Beginning() const override;
    std::string Count(size_t entries) const override;

    // Saves one entry; one that cannot be read or written is skipped with a
    // line saying so, and what was odd in one saved is said.
    void Save(Session& s, const dock::SoupReading::Entry& entry) override;
    // Ends the export, its files taking their names when `whole`; the log
    // says where each kind went and what was saved and skipped.
    Ending Finish(Session& s, bool whole, const std::vector<std::string>& missing) override;

private:
    // One file of all entries of a kind, and what ends it.
    struct Sheet {
        const char* noun = "";  // "card", "event", "task"
        const char* nouns = "";
        std::unique_ptr<AtomicWriter> file;
        std::string end;
        size_t saved = 0;
        size_t skipped = 0;
    };
    void Start(Sheet& sheet, const char* noun, const char* nouns, const std::string& name,
               const std::string& begin, const std::string& end);
    Sheet* SheetFor(const std::string& soup);

    std::string m_folder;
    bool m_notesOnly;
    std::time_t m_read;
    std::vector<std::string> m_soups;
    std::unique_ptr<NoteFiles> m_notes;
    Sheet m_names, m_dates, m_todo;
    SkipLog m_skips;
};

}  // namespace zd
