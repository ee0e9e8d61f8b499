#include "transfer/note_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

#include "base/display_ops.h"
#include "nsof/nsof.h"
#include "transfer/item_file.h"
#include "transfer/note_text.h"

namespace zd {

std::string NoteFiles::NameFor(const std::string& title) {
    const std::string safe = SafeFileName(title);
    for (int serial = 1;; ++serial) {
        std::string name = NumberedName(safe, serial);
        if (m_names.insert(name).second) return name;
    }
}

void NoteFiles::Save(Session& s, std::string_view entry, const std::string& which) {
    const nsof::Decoded decoded = nsof::Decode(entry);
    std::string why = decoded.error;
    std::optional<NoteText> note;
    if (decoded.value) note = NoteAsText(*decoded.value, &why);
    if (!note) {
        ++m_skipped;
        LogLine(s, "Skipped " + which + ": " + why + ".");
        return;
    }
    const std::string path = m_folder + "/" + NameFor(note->title) + ".txt";
    const int error = ReplaceFile(path, note->text);
    if (error == 0 && note->modified) {
        // The note is saved; a time the file system refuses leaves it the time of now.
        const timespec times[2] = {{*note->modified, 0}, {*note->modified, 0}};
        (void)::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    if (error != 0) {
        ++m_skipped;
        LogLine(s, "Skipped " + which + ": " + path + ": " + std::strerror(error) + ".");
        return;
    }
    ++m_saved;
}

}  // namespace zd
