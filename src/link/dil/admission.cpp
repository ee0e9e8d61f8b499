#include "link/dil/admission.h"

#include <arpa/inet.h>

#include <cstdint>
#include <optional>

namespace zd {
namespace {

std::optional<uint32_t> Ipv4(std::string_view text) {
    in_addr address{};
    if (::inet_pton(AF_INET, std::string(text).c_str(), &address) != 1) return std::nullopt;
    return ntohl(address.s_addr);
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// `entry` ("a.b.c.d" or "a.b.c.d/n") holds `address`.
bool Holds(std::string_view entry, uint32_t address) {
    const size_t slash = entry.find('/');
    const auto network = Ipv4(entry.substr(0, slash));
    if (!network) return false;
    int bits = 32;
    if (slash != std::string_view::npos) {
        const std::string_view length = entry.substr(slash + 1);
        if (length.empty() || length.size() > 2) return false;
        bits = 0;
        for (char c : length) {
            if (c < '0' || c > '9') return false;
            bits = bits * 10 + (c - '0');
        }
        if (bits > 32) return false;
    }
    const uint32_t mask = bits == 0 ? 0 : ~uint32_t{0} << (32 - bits);
    return (*network & mask) == (address & mask);
}

}  // namespace

bool IsLoopback(std::string_view address) {
    const auto ip = Ipv4(address);
    return ip && (*ip >> 24) == 127;
}

bool InAllowList(std::string_view allowed, std::string_view address) {
    const auto ip = Ipv4(address);
    if (!ip) return false;
    while (!allowed.empty()) {
        const size_t comma = allowed.find(',');
        if (Holds(Trimmed(allowed.substr(0, comma)), *ip)) return true;
        if (comma == std::string_view::npos) break;
        allowed.remove_prefix(comma + 1);
    }
    return false;
}

}  // namespace zd
