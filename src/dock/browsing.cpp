#include "dock/browsing.h"

#include <algorithm>

#include "base/printable.h"
#include "dock/install_lines.h"
#include "nsof/nsof.h"

namespace zd::dock {
namespace {

// The "type" of a path level or a listed item.
enum ItemType : int32_t { kDesktopItem = 0, kFileItem = 1, kFolderItem = 2, kDiskItem = 3 };

// A NewtonScript integer holds 30 bits; a file too large for one has the
// size -1, as one peer sends it.
constexpr int64_t kLargestInteger = (int64_t{1} << 29) - 1;
// Minutes from 1 January 1904, the Newton's epoch, to 1 January 1970.
constexpr int64_t kMinutes1904To1970 = 34714080;

nsof::Value Item(const std::string& name, int32_t type) {
    nsof::Frame frame;
    frame.slots = {{"name", nsof::Value{nsof::String{name}}}, {"type", nsof::Value{type}}};
    return nsof::Value{std::move(frame)};
}

std::string EncodeItems(std::vector<nsof::Value> items) {
    nsof::Array array;
    array.elements = std::move(items);
    return nsof::Encode(nsof::Value{std::move(array)});
}

int32_t NewtonMinutes(int64_t unixSeconds) {
    const int64_t minutes = unixSeconds / 60 + kMinutes1904To1970;
    return static_cast<int32_t>(std::clamp<int64_t>(minutes, 0, kLargestInteger));
}

// A name as the Newton sends it back: a string, or a frame holding one in
// its slot "name" (a Macintosh desktop's items may come so).
std::optional<std::string> NameIn(const nsof::Value& value) {
    const nsof::Value* named = value.As<nsof::Frame>() ? value.Find("name") : &value;
    const nsof::String* string = named ? named->As<nsof::String>() : nullptr;
    if (!string) return std::nullopt;
    return string->text;
}

}  // namespace

Browsing::Browsing(PackageShelf& shelf, int64_t now, Sender send, Noter note, Teller tell)
    : m_shelf(shelf),
      m_send(std::move(send)),
      m_note(std::move(note)),
      m_tell(std::move(tell)),
      m_place(m_shelf.Open()),
      m_folders(m_place.start),
      m_deadline(now) {
    m_send(kResult, BigEndian32(0));
    m_note("The Newton's user chooses a package to install, from " + Printable(m_place.where) +
           ".");
}

bool Browsing::OnMessage(const Message& message, int64_t now) {
    if (m_step == Step::kEnded) return false;
    const std::string_view command = message.command;
    if (command == kOperationCancelled) {
        m_send(kCancelAcknowledged, "");
        if (installing()) {
            m_note("The Newton's user cancelled the installation of " + m_packageName + ".");
            m_tell({"The installation did not finish", m_packageName, ""});
        }
        m_step = Step::kEnded;
        return true;
    }
    if (command == kResult && installing()) {
        OnResult(ResultCode(message), now);
        return true;
    }
    // While a package goes, the Newton asks for nothing else.
    if (installing()) return false;
    if (command == kGetDefaultPath) {
        SendPath();
    } else if (command == kGetFilesAndFolders) {
        SendListing();
    } else if (command == kSetPath) {
        SetPath(message.data);
    } else if (command == kGetFileInfo) {
        SendInfo(message.data);
    } else if (command == kLoadPackageFile) {
        LoadPackage(message.data, now);
    } else {
        return false;
    }
    return true;
}

bool Browsing::NotUnderstood(std::string_view command, int64_t now) {
    if (m_step != Step::kStoreSet || command != kSetStoreToDefault) return false;
    OnResult(0, now);
    return true;
}

void Browsing::Wrote(int64_t now) {
    if (m_step == Step::kLoading) m_deadline = now + kAnswerMs;
}

void Browsing::Tick(int64_t now) {
    if (!installing() || now < m_deadline) return;
    m_note("The Newton did not answer within " + std::to_string(kTimeoutSeconds) + " s while " +
           m_packageName + " was installed.");
    m_tell({"The installation did not finish", m_packageName, ""});
    m_package.clear();
    m_step = Step::kBrowsing;
}

void Browsing::SendPath() {
    std::vector<nsof::Value> levels{Item(m_place.desktop, kDesktopItem)};
    if (!m_desktopLevel) {
        levels.push_back(Item(m_place.root, kDiskItem));
        for (const std::string& folder : m_folders) levels.push_back(Item(folder, kFolderItem));
    }
    m_send(kPath, EncodeItems(std::move(levels)));
}

void Browsing::SendListing() {
    if (m_desktopLevel) {
        m_shown = {{m_place.root, true}};
        m_send(kFilesAndFolders, EncodeItems({Item(m_place.root, kDiskItem)}));
        return;
    }
    PackageShelf::Listing listing = m_shelf.List(m_folders);
    if (!listing.trouble.empty()) m_note(listing.trouble);
    m_shown = std::move(listing.items);
    std::vector<nsof::Value> items;
    for (const PackageShelf::Item& item : m_shown)
        items.push_back(Item(item.name, item.folder ? kFolderItem : kFileItem));
    m_send(kFilesAndFolders, EncodeItems(std::move(items)));
}

void Browsing::SetPath(const std::string& data) {
    // Levels from the top: the desktop, the disk, then folders.  Only the
    // levels of the path we are at, or one folder we listed below it, lead
    // anywhere: nothing the Newton names can reach past the root.
    const nsof::Decoded decoded = nsof::Decode(data);
    const nsof::Array* levels = decoded.value ? decoded.value->As<nsof::Array>() : nullptr;
    std::vector<std::string> names;
    for (size_t i = 0; levels && i < levels->elements.size() && i <= m_folders.size() + 2; ++i) {
        const auto name = NameIn(levels->elements[i]);
        if (!name) break;
        names.push_back(*name);
    }
    const bool read =
        levels && !levels->elements.empty() && names.size() == levels->elements.size();
    bool known = read && (names.size() == 1 || names[1] == m_place.root);
    std::vector<std::string> folders;
    for (size_t i = 2; known && i < names.size(); ++i) {
        const std::string& name = names[i];
        const size_t level = i - 2;
        const bool onPath = level < m_folders.size() && m_folders[level] == name;
        const bool listed = level == m_folders.size() && !m_desktopLevel &&
                            std::any_of(m_shown.begin(), m_shown.end(), [&](const auto& item) {
                                return item.folder && item.name == name;
                            });
        known = onPath || listed;
        folders.push_back(name);
    }
    if (!known) {
        Refuse(kAccessDenied,
               "The Newton asked for a folder that was not offered to it; it "
               "was told no.");
        return;
    }
    m_desktopLevel = names.size() == 1;
    if (!m_desktopLevel) m_folders = std::move(folders);
    SendListing();
}

const PackageShelf::Item* Browsing::Shown(const std::string& data, std::string* name) const {
    const nsof::Decoded decoded = nsof::Decode(data);
    const auto named = decoded.value ? NameIn(*decoded.value) : std::nullopt;
    if (!named) return nullptr;
    *name = *named;
    const auto item = std::find_if(m_shown.begin(), m_shown.end(),
                                   [&](const auto& shown) { return shown.name == *named; });
    return item == m_shown.end() ? nullptr : &*item;
}

void Browsing::SendInfo(const std::string& data) {
    std::string name;
    const PackageShelf::Item* item = Shown(data, &name);
    if (!item || m_desktopLevel) {
        Refuse(kAccessDenied, "The Newton asked about a file that was not offered to it (" +
                                  Printable(name) + "); it was told no.");
        return;
    }
    const PackageShelf::Facts facts = m_shelf.Describe(m_folders, item->name);
    if (!facts.trouble.empty()) {
        Refuse(kFileNotFound, facts.trouble);
        return;
    }
    nsof::Frame info;
    info.slots = {
        {"kind", nsof::Value{nsof::String{facts.kind}}},
        {"size", nsof::Value{static_cast<int32_t>(facts.size > kLargestInteger ? -1 : facts.size)}},
        {"created", nsof::Value{NewtonMinutes(facts.created)}},
        {"modified", nsof::Value{NewtonMinutes(facts.modified)}},
        {"path", nsof::Value{nsof::String{facts.path}}},
        {"icon", nsof::Value{nsof::Nil{}}},
    };
    m_send(kFileInfo, nsof::Encode(nsof::Value{std::move(info)}));
}

void Browsing::LoadPackage(const std::string& data, int64_t now) {
    std::string name;
    const PackageShelf::Item* item = Shown(data, &name);
    if (!item || item->folder || m_desktopLevel) {
        Refuse(kAccessDenied, "The Newton asked for a package that was not offered to it (" +
                                  Printable(name) + "); it was told no.");
        return;
    }
    PackageShelf::Package package = m_shelf.Load(m_folders, item->name);
    if (!package.bytes) {
        Refuse(kFileNotFound, NotSentLine(package.path, package.refusal));
        m_tell({"The package was not installed", package.path, ""});
        return;
    }
    m_packageName = item->name;
    m_package = std::move(*package.bytes);
    m_note(InstallingLine(m_packageName, m_package.size()));
    // The package goes to the store the Newton's user chose as its default.
    m_send(kSetStoreToDefault, "");
    m_step = Step::kStoreSet;
    m_deadline = now + kAnswerMs;
}

void Browsing::OnResult(int32_t code, int64_t now) {
    if (m_step == Step::kStoreSet && code == 0) {
        m_send(kLoadPackage, m_package);
        m_package.clear();
        m_package.shrink_to_fit();
        m_step = Step::kLoading;
        m_deadline = now + kAnswerMs;
        return;
    }
    m_package.clear();
    m_step = Step::kBrowsing;
    m_note(InstalledLine(m_packageName, code));
    m_tell({code == 0 ? "Package installed on the Newton" : "The Newton refused a package",
            m_packageName, ""});
}

void Browsing::Refuse(int32_t code, const std::string& note) {
    m_send(kResult, BigEndian32(static_cast<uint32_t>(code)));
    m_note(note);
}

}  // namespace zd::dock
