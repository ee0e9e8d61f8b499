#include "base/version_page.h"

#include <algorithm>
#include <cctype>

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

namespace {

constexpr std::string_view kHeaderEnd = "\r\n\r\n";

// The Content-Length the headers announce; -1 when none.
long long AnnouncedLength(std::string_view headers) {
    constexpr std::string_view kName = "content-length:";
    for (size_t line = 0; line < headers.size();) {
        size_t end = headers.find("\r\n", line);
        if (end == std::string_view::npos) end = headers.size();
        const std::string_view field = headers.substr(line, end - line);
        if (field.size() > kName.size() &&
            std::equal(kName.begin(), kName.end(), field.begin(), [](char a, char b) {
                return a == std::tolower(static_cast<unsigned char>(b));
            })) {
            long long length = 0;
            bool digits = false;
            for (char c : field.substr(kName.size())) {
                if (c == ' ' || c == '\t') continue;
                if (c < '0' || c > '9') return -1;
                digits = true;
                // A length past anything we would read is as good as endless.
                length = std::min<long long>(length * 10 + (c - '0'), 1LL << 40);
            }
            return digits ? length : -1;
        }
        line = end + 2;
    }
    return -1;
}

}  // namespace

std::optional<std::string_view> ReplyBody(std::string_view reply) {
    const size_t end = reply.find(kHeaderEnd);
    if (end == std::string_view::npos) return std::nullopt;
    const long long length = AnnouncedLength(reply.substr(0, end));
    if (length <= 0) return std::nullopt;
    const std::string_view body = reply.substr(end + kHeaderEnd.size());
    return body.substr(0, static_cast<size_t>(std::min<long long>(length, body.size())));
}

bool ReplyComplete(std::string_view reply) {
    if (reply.size() >= kReplyLimit) return true;
    const size_t end = reply.find(kHeaderEnd);
    if (end == std::string_view::npos) return false;
    const long long length = AnnouncedLength(reply.substr(0, end));
    return length <= 0 ||
           reply.size() - end - kHeaderEnd.size() >= static_cast<unsigned long long>(length);
}

}  // namespace zd
