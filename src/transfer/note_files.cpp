#include "transfer/note_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "base/atomic_file.h"
#include "link/display_ops.h"
#include "nsof/nsof.h"
#include "session/session.h"
#include "transfer/entry_log.h"
#include "transfer/item_file.h"
#include "translate/note_text.h"

namespace zd {

NoteFiles::NoteFiles(std::string folder) : m_folder(std::move(folder)) {
    (void)RemoveStrayTemporaryFiles(m_folder);
}

std::string NoteFiles::FolderFor(const std::string& label, std::string* why) {
    if (label.empty()) return m_folder;
    const std::string folder = m_folder + "/" + SafeFileName(label);
    if (m_folders.count(folder)) return folder;
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        *why = folder + ": " + WriteFailure(folder, errno);
        return m_folder;
    }
    // A name taken by a file or a link is no folder of ours.
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *why = folder + " is no folder";
        return m_folder;
    }
    (void)RemoveStrayTemporaryFiles(folder);
    m_folders.insert(folder);
    return folder;
}

void NoteFiles::Save(Session& s, std::string_view entry, const std::string& which) {
    const nsof::Decoded decoded = nsof::Decode(entry);
    std::string why = DamagedEntry(decoded.error);
    std::optional<NoteText> note;
    if (decoded.value) note = NoteAsText(*decoded.value, &why);
    if (!note) {
        ++m_skipped;
        m_skips.Skipped(s, which, why);
        return;
    }
    std::vector<std::string> oddities = decoded.oddities;
    oddities.insert(oddities.end(), note->oddities.begin(), note->oddities.end());
    std::string folderTrouble;
    const std::string folder = FolderFor(note->folder, &folderTrouble);
    if (!folderTrouble.empty())
        oddities.push_back("its folder could not be made (" + folderTrouble + ")");
    LogOddities(s, which, oddities);
    const std::string path = m_paths.Take(folder + "/" + SafeFileName(note->title), ".txt");
    const int error = ReplaceFile(path, note->text);
    if (error == 0 && note->modified) {
        // The note is saved; a time the file system refuses leaves it the time of now.
        const timespec times[2] = {{*note->modified, 0}, {*note->modified, 0}};
        (void)::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    if (error != 0) {
        ++m_skipped;
        m_skips.Skipped(s, which, path + ": " + WriteFailure(path, error));
        return;
    }
    ++m_saved;
}

}  // namespace zd
