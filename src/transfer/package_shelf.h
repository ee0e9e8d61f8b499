// The desktop's folders as the Newton's user browses them for a package to
// install: browsing begins in the packages folder the user chose (or the
// receive folder) and cannot leave the user's home, or that folder itself
// where it lies outside the home.  Folders and Newton packages are shown;
// hidden files, names no Newton can show, and links that lead out are not.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/prefs_store.h"
#include "dock/browsing.h"

namespace zd {

// A folder's items shown at most: a Newton's list is a small screen's.
inline constexpr size_t kMaxShown = 500;

class DiskShelf final : public dock::PackageShelf {
public:
    explicit DiskShelf(const PrefsStore& prefs) : m_prefs(prefs) {}

    Place Open() override;
    Listing List(const std::vector<std::string>& folders) override;
    Facts Describe(const std::vector<std::string>& folders, const std::string& name) override;
    Package Load(const std::vector<std::string>& folders, const std::string& name) override;

private:
    // Where `folders` and then `name` (if any) lead below the root, links
    // followed; nullopt where that is outside the root or nothing is there.
    std::optional<std::filesystem::path> Inside(const std::vector<std::string>& folders,
                                                const std::string& name = "") const;
    // `path` as the user knows it: "~/…" inside the home.
    std::string Known(const std::filesystem::path& path) const;

    const PrefsStore& m_prefs;
    std::filesystem::path m_home;
    std::filesystem::path m_root;
};

}  // namespace zd
