// Items that could not go where the user wanted them are kept as files of
// their own, so that a full disk or a refused clipboard never loses one: in
// $XDG_STATE_HOME/zandorelle/unsaved (~/.local/state/zandorelle/unsaved), or
// in $XDG_RUNTIME_DIR/zandorelle/unsaved when that cannot be written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zd {

struct Session;

// The folders unsaved items go to, in the order they are tried.
std::vector<std::string> UnsavedFolders();

// Where an unsaved item went, or why it went nowhere.
struct KeptItem {
    std::string path;     // empty when it could not be kept
    std::string failure;  // the reason of the first folder when it could not
};

// Keeps `bytes` as NAME.txt (numbered when taken) in the first unsaved folder
// that takes it, making the folder when it is missing.
KeptItem KeepUnsavedItem(const std::string& name, std::string_view bytes);

// The unsaved folder to show the user: the first that holds items, else the
// first of all, made when it is missing.
std::string UnsavedFolderToShow();

// The start-up's look at the folders that hold items: temporary files that a
// killed program left in the receive folder and the unsaved folders are
// removed, and the unsaved items there are counted in the log.
void TidyItemFolders(Session& s);

}  // namespace zd
