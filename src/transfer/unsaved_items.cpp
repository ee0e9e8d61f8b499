#include "transfer/unsaved_items.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/atomic_file.h"
#include "base/counted.h"
#include "link/display_ops.h"
#include "session/session.h"
#include "transfer/item_file.h"

namespace zd {
namespace {

constexpr std::string_view kUnsavedPart = "/zandorelle/unsaved";

// An absolute path from the environment variable `name`, or "".
std::string AbsoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? value : "";
}

// Makes `path` and the folders above it that are missing, private to the
// user: the items are the user's own texts.  0 or the errno.
int MakePrivateFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errno;
        if (slash == std::string::npos) break;
    }
    struct stat made {};
    if (::stat(path.c_str(), &made) != 0) return errno;
    return S_ISDIR(made.st_mode) ? 0 : ENOTDIR;
}

// The items kept in `folder`: its visible text files.
int CountItemsIn(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return 0;
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name[0] != '.' && name.size() > 4 && name.substr(name.size() - 4) == ".txt") ++count;
    }
    ::closedir(dir);
    return count;
}

}  // namespace

std::vector<std::string> UnsavedFolders() {
    std::vector<std::string> folders;
    std::string state = AbsoluteFromEnvironment("XDG_STATE_HOME");
    if (state.empty()) state = ReceiveFolder("") + "/.local/state";
    folders.push_back(state + std::string(kUnsavedPart));
    if (const std::string runtime = AbsoluteFromEnvironment("XDG_RUNTIME_DIR"); !runtime.empty())
        folders.push_back(runtime + std::string(kUnsavedPart));
    return folders;
}

KeptItem KeepUnsavedItem(const std::string& name, std::string_view bytes) {
    KeptItem kept;
    for (const std::string& folder : UnsavedFolders()) {
        int error = MakePrivateFolders(folder);
        if (error == 0) kept.path = WriteUniqueFile(folder, name, bytes, &error);
        if (error == 0) return kept;
        if (kept.failure.empty()) kept.failure = folder + " (" + std::strerror(error) + ")";
    }
    return kept;
}

std::string UnsavedFolderToShow() {
    const std::vector<std::string> folders = UnsavedFolders();
    for (const std::string& folder : folders)
        if (CountItemsIn(folder) > 0) return folder;
    (void)MakePrivateFolders(folders.front());
    return folders.front();
}

void TidyItemFolders(Session& s) {
    RemoveStrayTemporaryFiles(ReceiveFolderOf(s.svc.prefs));
    for (const std::string& folder : UnsavedFolders()) {
        RemoveStrayTemporaryFiles(folder);
        const int count = CountItemsIn(folder);
        if (count == 0) continue;
        LogLine(s, Counted(static_cast<size_t>(count), "unsaved item is", "unsaved items are") +
                       " kept in " + folder + ".");
    }
}

}  // namespace zd
