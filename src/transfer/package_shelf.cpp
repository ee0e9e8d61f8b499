#include "transfer/package_shelf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/prefs_keys.h"
#include "base/unicode.h"
#include "transfer/item_file.h"
#include "transfer/package_file.h"

namespace zd {
namespace {

namespace fs = std::filesystem;

// `path` made absolute with every link followed; nullopt where nothing is there.
std::optional<fs::path> Resolved(const fs::path& path) {
    std::error_code error;
    fs::path resolved = fs::canonical(path, error);
    if (error) return std::nullopt;
    return resolved;
}

bool Within(const fs::path& path, const fs::path& folder) {
    const auto [end, ignored] =
        std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return end == folder.end();
}

// A name the Newton may be shown, and may name back: whole UTF-8 without
// controls, turns of direction or private use, and not hidden.
bool Showable(const std::string& name) {
    if (name.empty() || name.front() == '.') return false;
    for (size_t at = 0; at < name.size();) {
        const int64_t c = NextCharacter(name, &at);
        if (c < 0 || IsControlCharacter(c) || TurnsDirection(c) || IsPrivateUse(c)) return false;
    }
    return true;
}

bool HasPackageExtension(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto endsWith = [&](const std::string& end) {
        return lower.size() > end.size() &&
               lower.compare(lower.size() - end.size(), end.size(), end) == 0;
    };
    return endsWith(".pkg") || endsWith(".newtonpkg");
}

// True when the regular file at `path` begins as a package; a named pipe or a
// device is never opened for it.
bool BeginsAsPackage(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    char head[8] = {};
    const bool begins = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                        ::read(fd, head, sizeof head) == sizeof head &&
                        IsPackage(std::string_view(head, sizeof head));
    ::close(fd);
    return begins;
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || !Showable(name)) return "This computer";
    return name;
}

std::string NameOf(const fs::path& folder) {
    const std::string name = folder.filename().string();
    return name.empty() ? folder.string() : name;
}

}  // namespace

dock::PackageShelf::Place DiskShelf::Open() {
    const std::string chosen = m_prefs.GetPrefString(prefs::kPackageDir);
    m_home = Resolved(ReceiveFolder("")).value_or("/");
    const fs::path start =
        Resolved(chosen.empty() ? ReceiveFolderOf(m_prefs) : chosen).value_or(m_home);
    m_root = Within(start, m_home) ? m_home : start;
    Place place{HostName(), NameOf(m_root), {}, Known(start)};
    for (const fs::path& folder : start.lexically_relative(m_root)) {
        if (folder != ".") place.start.push_back(folder.string());
    }
    return place;
}

std::optional<fs::path> DiskShelf::Inside(const std::vector<std::string>& folders,
                                          const std::string& name) const {
    const auto plain = [](const std::string& part) {
        return !part.empty() && part != "." && part != ".." && part.find('/') == std::string::npos;
    };
    if (!std::all_of(folders.begin(), folders.end(), plain) || (!name.empty() && !plain(name)))
        return std::nullopt;
    fs::path path = m_root;
    for (const std::string& folder : folders) path /= folder;
    if (!name.empty()) path /= name;
    auto resolved = Resolved(path);
    if (!resolved || !Within(*resolved, m_root)) return std::nullopt;
    return resolved;
}

std::string DiskShelf::Known(const fs::path& path) const {
    if (!Within(path, m_home) || m_home == "/") return path.string();
    const fs::path below = path.lexically_relative(m_home);
    return below == "." ? "~" : "~/" + below.string();
}

dock::PackageShelf::Listing DiskShelf::List(const std::vector<std::string>& folders) {
    Listing listing;
    const auto folder = Inside(folders);
    if (!folder) {
        listing.trouble = "A folder the Newton's user opened is gone; it shows as empty.";
        return listing;
    }
    std::error_code error;
    fs::directory_iterator entries(*folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        if (!Showable(name)) continue;
        // A link is shown where it leads to something inside the root.
        const auto target = Resolved(entries->path());
        if (!target || !Within(*target, m_root)) continue;
        std::error_code statError;
        if (fs::is_directory(*target, statError)) {
            listing.items.push_back({name, true});
        } else if (HasPackageExtension(name) && BeginsAsPackage(*target)) {
            listing.items.push_back({name, false});
        }
    }
    if (error) {
        listing.trouble =
            "The folder " + Known(*folder) + " could not be read (" + error.message() + ").";
    }
    std::sort(listing.items.begin(), listing.items.end(), [](const Item& a, const Item& b) {
        return a.folder != b.folder ? a.folder : a.name < b.name;
    });
    if (listing.items.size() > kMaxShown) {
        listing.trouble = "The folder " + Known(*folder) + " holds " +
                          std::to_string(listing.items.size()) +
                          " folders and packages; the first " + std::to_string(kMaxShown) +
                          " are shown on the Newton.";
        listing.items.resize(kMaxShown);
    }
    return listing;
}

dock::PackageShelf::Facts DiskShelf::Describe(const std::vector<std::string>& folders,
                                              const std::string& name) {
    Facts facts;
    const auto path = Inside(folders, name);
    struct statx info {};
    if (!path || ::statx(AT_FDCWD, path->c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) {
        facts.trouble = "The Newton asked about " + name + ", which is gone; it was told so.";
        return facts;
    }
    const bool folder = S_ISDIR(info.stx_mode);
    facts.kind = folder ? "Folder" : "Newton package";
    facts.size = folder ? 0 : static_cast<int64_t>(info.stx_size);
    facts.modified = info.stx_mtime.tv_sec;
    facts.created = (info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_sec : facts.modified;
    facts.path = Known(*path);
    return facts;
}

dock::PackageShelf::Package DiskShelf::Load(const std::vector<std::string>& folders,
                                            const std::string& name) {
    Package package;
    const auto path = Inside(folders, name);
    fs::path shown = m_root;
    for (const std::string& folder : folders) shown /= folder;
    package.path = Known(path.value_or(shown / name));
    if (!path) {
        package.refusal = "it is gone, or no longer inside " + Known(m_root);
        return package;
    }
    FileContent content = ReadPackageFile(path->string());
    package.bytes = std::move(content.bytes);
    package.refusal = std::move(content.refusal);
    return package;
}

}  // namespace zd
