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
// controls, those that turn the direction of text, and private use.
bool Unfit(int64_t c) {
    return c < 0 || IsControlCharacter(c) || TurnsDirection(c) || IsPrivateUse(c) || c == '/' ||
           c == '\\';
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
    int& serial = m_nextSerial.try_emplace(stem + extension, 1).first->second;
    for (;; ++serial) {
        std::string name = NumberedName(stem, serial) + extension;
        if (m_taken.insert(name).second) return name;
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
