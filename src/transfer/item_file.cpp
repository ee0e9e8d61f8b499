#include "transfer/item_file.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/atomic_file.h"
#include "base/prefs_keys.h"
#include "base/prefs_store.h"
#include "base/unicode.h"
#include "transfer/charset.h"

namespace zd {

std::string ReceiveFolder(const std::string& dir) {
    if (!dir.empty()) return dir;
    const char* home = std::getenv("HOME");
    if (home && home[0]) return home;
    const passwd* user = ::getpwuid(::getuid());
    return user ? user->pw_dir : "/";
}

std::string ReceiveFolderOf(const PrefsStore& prefs) {
    return ReceiveFolder(prefs.GetPrefString(prefs::kDir));
}

namespace {

// The longest name made, in bytes: well inside a file system's 255, with
// room for a number and ".txt".
constexpr size_t kMaxNameBytes = 200;

// Characters that are no part of a name a user can read: C0 and C1
// controls, those that turn the direction of text or break its line, and
// private use; and those that FAT, exFAT and Windows refuse in a name.
bool Unfit(int64_t c) {
    constexpr std::string_view kRefusedByFat = "/\\:*?\"<>|";
    return c < 0 || IsControlCharacter(c) || TurnsDirection(c) || IsPrivateUse(c) || c == 0x2028 ||
           c == 0x2029 ||
           (c < 0x80 && kRefusedByFat.find(static_cast<char>(c)) != std::string_view::npos);
}

// True when `name`'s part before its first dot is one of the devices Windows
// keeps for itself, whatever the case, with or without an extension.
bool NamesADevice(const std::string& name) {
    const std::string device = FoldedCase(name.substr(0, name.find('.')));
    if (device == "con" || device == "prn" || device == "aux" || device == "nul") return true;
    return device.size() == 4 && (device.rfind("com", 0) == 0 || device.rfind("lpt", 0) == 0) &&
           device[3] >= '1' && device[3] <= '9';
}

}  // namespace

std::string SafeFileName(std::string_view text) {
    std::string name;
    for (size_t at = 0; at < text.size();) {
        const int64_t c = NextCharacter(text, &at);
        const size_t before = name.size();
        if (Unfit(c)) {
            name += '_';
        } else {
            AppendUtf8(name, static_cast<char32_t>(c));
        }
        if (name.size() > kMaxNameBytes) {
            name.resize(before);
            break;
        }
    }
    if (!name.empty() && name.front() == '.') name.front() = '_';
    // Windows drops a name's last dots and spaces, and so two names meet.
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    if (name.empty() && !text.empty()) name = "_";
    if (NamesADevice(name))
        name.insert(name.find('.') == std::string::npos ? name.size() : name.find('.'), "_");
    return name;
}

std::string ItemFileName(std::string_view itemName) {
    std::string text;
    for (char byte : itemName) {
        const std::string_view piece = ConvertFromNewton(byte);
        // A zero byte adds no text, but it was a character of the name.
        text += piece.empty() ? std::string_view("\x01") : piece;
    }
    return SafeFileName(text);
}

std::string GeneratedItemName(std::time_t now, int serial) {
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "item-%Y%m%d-%H%M%S", std::localtime(&now));
    return NumberedName(stamp, serial);
}

std::string NumberedName(const std::string& name, int serial) {
    return serial < 2 ? name : name + "-" + std::to_string(serial);
}

std::string UniqueNames::Take(const std::string& stem, const std::string& extension) {
    int& serial = m_nextSerial.try_emplace(FoldedCase(stem + extension), 1).first->second;
    for (;; ++serial) {
        std::string name = NumberedName(stem, serial) + extension;
        if (m_taken.insert(FoldedCase(name)).second) return name;
    }
}

int ReplaceFile(const std::string& path, std::string_view bytes) {
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode)) return ELOOP;
    return WriteWholeFile(path, bytes, IfTaken::kReplace);
}

std::string WriteUniqueFile(const std::string& folder, const std::string& name,
                            std::string_view bytes, int* error) {
    // A folder full of one name ends the search rather than the program.
    constexpr int kMostNumbers = 10000;
    for (int serial = 1; serial <= kMostNumbers; ++serial) {
        const std::string path = folder + "/" + NumberedName(name, serial) + ".txt";
        *error = WriteWholeFile(path, bytes, IfTaken::kRefuse);
        if (*error == 0) return path;
        if (*error != EEXIST) return {};
    }
    return {};
}

}  // namespace zd
