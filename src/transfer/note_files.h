// The notes of one export, each as a UTF-8 text file, written as they arrive
// and then dropped: named after their first lines, made safe as item names
// are, and numbered where notes of the export share one (a file of an
// earlier export is replaced, never one of this export); each file whole or
// not at all, with the note's time as its modification time.  A note filed
// in a Newton folder goes into a subfolder of that name.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

#include "transfer/entry_log.h"
#include "transfer/item_file.h"

namespace zd {

struct Session;

class NoteFiles {
public:
    // Temporary files that a killed export left in `folder` go first.
    explicit NoteFiles(std::string folder);

    // Saves the note in `entry`, one entry of the Notes soup as a stream of
    // the Newton's objects; `which` names it in the log ("note 12 of
    // Internal").  A note that cannot be read or written is skipped with a
    // line saying so; one with something odd in it is saved as well as it
    // can be, and the log says what was odd.
    void Save(Session& s, std::string_view entry, const std::string& which);
    // Says what is still to be said of the notes skipped.
    void Finish(Session& s) { m_skips.Flush(s); }

    const std::string& folder() const { return m_folder; }
    size_t saved() const { return m_saved; }
    size_t skipped() const { return m_skipped; }

private:
    // The folder for notes filed in the Newton's folder `label` ("" for
    // none), made where it is missing; the export's own folder when it
    // cannot be, with the reason in `*why`.
    std::string FolderFor(const std::string& label, std::string* why);

    std::string m_folder;
    std::set<std::string> m_folders;  // the Newton's folders, made or found
    UniqueNames m_paths;
    size_t m_saved = 0;
    size_t m_skipped = 0;
    SkipLog m_skips;
};

}  // namespace zd
