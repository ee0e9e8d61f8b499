// The Newton browsing the desktop's files: its user tapped Install, and its
// Connection application shows the desktop's folders in a dialog of its own,
// asking for the path ("dpth"), a folder's contents ("gfil", "spth"), a
// file's information ("gfin"), and at last for the package the user chose
// ("lpfl"), which goes as one "lpkg" after "sdef".  We declare ourselves a
// Macintosh, the one layout real Newtons are known to take: the desktop,
// one disk (the folder browsing cannot leave), then folders.  A part of the
// full connection's machine, like the soup reading; the files themselves
// are the PackageShelf's, and every name the Newton sends back must be one
// we listed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/desktop.h"
#include "dock/dock_message.h"

namespace zd::dock {

inline constexpr std::string_view kRequestToBrowse = "rtbr";
inline constexpr std::string_view kGetDefaultPath = "dpth";
inline constexpr std::string_view kPath = "path";
inline constexpr std::string_view kGetFilesAndFolders = "gfil";
inline constexpr std::string_view kFilesAndFolders = "file";
inline constexpr std::string_view kSetPath = "spth";
inline constexpr std::string_view kGetFileInfo = "gfin";
inline constexpr std::string_view kFileInfo = "finf";
inline constexpr std::string_view kLoadPackageFile = "lpfl";
inline constexpr std::string_view kSetStoreToDefault = "sdef";

// The Dock errors we answer with.
inline constexpr int32_t kFileNotFound = -28010;
inline constexpr int32_t kAlreadyBusy = -28027;
inline constexpr int32_t kAccessDenied = -28031;

// The desktop's files as the Newton's user may browse them: the folders
// below one root, and the packages in them.  Folders are named from the root
// down, by the names List gave.
class PackageShelf {
public:
    struct Place {
        std::string desktop;             // what the Newton shows for the desktop
        std::string root;                // the disk it shows: the root folder's name
        std::vector<std::string> start;  // the folders from the root to where browsing begins
        std::string where;               // that folder, as the user knows it
    };
    struct Item {
        std::string name;  // UTF-8
        bool folder = false;
    };
    struct Listing {
        std::vector<Item> items;  // in the order to show
        std::string trouble;      // what kept some or all of it back, in words; "" for nothing
    };
    struct Facts {
        std::string kind;  // in words
        int64_t size = 0;
        int64_t created = 0;   // seconds since 1970
        int64_t modified = 0;  // seconds since 1970
        std::string path;      // as the user knows it
        std::string trouble;   // why there are no facts; "" when there are
    };
    struct Package {
        std::optional<std::string> bytes;
        std::string path;     // as the user knows it
        std::string refusal;  // why there are no bytes
    };

    virtual ~PackageShelf() = default;
    // Where a browse begins; the root stays the same until the next Open.
    virtual Place Open() = 0;
    virtual Listing List(const std::vector<std::string>& folders) = 0;
    virtual Facts Describe(const std::vector<std::string>& folders, const std::string& name) = 0;
    virtual Package Load(const std::vector<std::string>& folders, const std::string& name) = 0;
};

class Browsing {
public:
    using Sender = std::function<void(std::string_view command, std::string_view data)>;
    using Noter = std::function<void(std::string note)>;
    using Teller = std::function<void(Happening happening)>;

    // Browsing as "rtbr" asked for it, answered: `shelf` must outlive it.
    Browsing(PackageShelf& shelf, int64_t now, Sender send, Noter note, Teller tell);

    // Takes `message` when it belongs to browsing; false otherwise.
    bool OnMessage(const Message& message, int64_t now);
    // The Newton did not understand `command`: true when the installation
    // goes on without it (a Newton that cannot choose its default store
    // takes the package where it stands).
    bool NotUnderstood(std::string_view command, int64_t now);
    // The package went onto the link whole at `now`: the Newton's answer is
    // awaited from then.
    void Wrote(int64_t now);
    void Tick(int64_t now);

    // True while a package goes to the Newton.
    bool installing() const { return m_step != Step::kBrowsing && m_step != Step::kEnded; }
    // True once the Newton's user closed the dialog.
    bool ended() const { return m_step == Step::kEnded; }

private:
    enum class Step { kBrowsing, kStoreSet, kLoading, kEnded };

    void SendPath();
    void SendListing();
    // Goes to the folder "spth" names, where it is one we showed.
    void SetPath(const std::string& data);
    void SendInfo(const std::string& data);
    void LoadPackage(const std::string& data, int64_t now);
    void OnResult(int32_t code, int64_t now);
    // The item of the last listing that the NSOF name in `data` names.
    const PackageShelf::Item* Shown(const std::string& data, std::string* name) const;
    void Refuse(int32_t code, const std::string& note);

    PackageShelf& m_shelf;
    Sender m_send;
    Noter m_note;
    Teller m_tell;
    PackageShelf::Place m_place;
    std::vector<std::string> m_folders;  // below the root
    bool m_desktopLevel = false;         // the Newton shows the desktop, with the disk on it
    std::vector<PackageShelf::Item> m_shown;
    Step m_step = Step::kBrowsing;
    int64_t m_deadline = 0;
    std::string m_package;  // the bytes, until they go
    std::string m_packageName;
};

}  // namespace zd::dock
