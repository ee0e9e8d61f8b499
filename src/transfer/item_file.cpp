#include "transfer/item_file.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "base/codepage.h"
#include "transfer/charset.h"

namespace zd {

std::string ReceiveFolder(const std::string& dir) {
    if (!dir.empty()) return dir;
    const char* home = std::getenv("HOME");
    if (home && home[0]) return home;
    const passwd* user = ::getpwuid(::getuid());
    return user ? user->pw_dir : "/";
}

std::string ItemFileName(std::string_view itemName, std::time_t now) {
    std::string converted;
    for (char byte : itemName) {
        const auto c = ConvertFromNewton(byte);
        const auto u = static_cast<unsigned char>(c.value_or('_'));
        converted += (u < 0x20 || u == 0x7F || u == '/' || u == '\\') ? '_' : static_cast<char>(u);
    }
    std::string name = Cp1252ToUtf8(converted, "_");
    if (!name.empty() && name.front() == '.') name.front() = '_';
    if (name.empty()) {
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "item-%Y%m%d-%H%M%S", std::localtime(&now));
        name = stamp;
    }
    return name;
}

}  // namespace zd
