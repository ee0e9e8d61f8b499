#include "transfer/item_file.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/atomic_file.h"
#include "transfer/charset.h"

namespace zd {

std::string ReceiveFolder(const std::string& dir) {
    if (!dir.empty()) return dir;
    const char* home = std::getenv("HOME");
    if (home && home[0]) return home;
    const passwd* user = ::getpwuid(::getuid());
    return user ? user->pw_dir : "/";
}

std::string ItemFileName(std::string_view itemName) {
    std::string name;
    for (char byte : itemName) {
        const std::string_view piece = ConvertFromNewton(byte);
        const auto u = piece.size() == 1 ? static_cast<unsigned char>(piece[0]) : 0x80;
        const bool unsafe = piece.empty() || u < 0x20 || u == 0x7F || u == '/' || u == '\\';
        if (unsafe) {
            name += '_';
        } else {
            name += piece;
        }
    }
    if (!name.empty() && name.front() == '.') name.front() = '_';
    return name;
}

std::string GeneratedItemName(std::time_t now, int serial) {
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "item-%Y%m%d-%H%M%S", std::localtime(&now));
    return NumberedName(stamp, serial);
}

std::string NumberedName(const std::string& name, int serial) {
    return serial < 2 ? name : name + "-" + std::to_string(serial);
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
