// The notes of one export, each as a UTF-8 text file in one folder, written
// as they arrive and then dropped: named after their first lines, made safe
// as item names are, and numbered where notes of the export share one (a file
// of an earlier export is replaced, never one of this export); each file
// whole or not at all, with the note's time as its modification time.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

namespace zd {

struct Session;

class NoteFiles {
public:
    explicit NoteFiles(std::string folder) : m_folder(std::move(folder)) {}

    // Saves the note in `entry`, one entry of the Notes soup as a stream of
    // the Newton's objects; `which` names it in the log ("note 12 of
    // Internal").  A note that cannot be read or written is skipped with a
    // line saying so.
    void Save(Session& s, std::string_view entry, const std::string& which);

    const std::string& folder() const { return m_folder; }
    size_t saved() const { return m_saved; }
    size_t skipped() const { return m_skipped; }

private:
    // The name of this export's next note titled `title`, without ".txt".
    std::string NameFor(const std::string& title);

    std::string m_folder;
    std::set<std::string> m_names;  // taken by this export
    size_t m_saved = 0;
    size_t m_skipped = 0;
};

}  // namespace zd
