#include "transfer/item_file.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

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
    return serial < 2 ? stamp : std::string(stamp) + "-" + std::to_string(serial);
}

}  // namespace zd
