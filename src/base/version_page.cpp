#include "base/version_page.h"

namespace zd {

std::vector<std::string> VersionMessages(std::string_view page) {
    static constexpr const char* kMessages[8] = {
        "Your version is up-to-date!",         "There is a newer version available!",
        "There is a newer version available!", "There is a newer version available!",
        "There is a newer version available!", "There is a newer version available!!",
        "There is a newer version available!", "There is a newer version available!",
    };
    std::vector<std::string> messages;
    for (int i = 0; i < 8; ++i) {
        const std::string token = "ZANDOR" + std::to_string(i + 1);
        if (page.find(token) != std::string_view::npos) messages.emplace_back(kMessages[i]);
    }
    return messages;
}

std::string PageText(std::string_view body) {
    return std::string(body.substr(0, body.find('\0')));
}

}  // namespace zd
