#include "link/dil/admission.h"

#include <arpa/inet.h>

#include <cstdint>
#include <optional>
#include <string>

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

struct Range {
    uint32_t network = 0;
    uint32_t mask = 0;
};

// The addresses `entry` ("a.b.c.d" or "a.b.c.d/n") names; nullopt for an
// entry that is neither.
std::optional<Range> RangeOf(std::string_view entry) {
    const size_t slash = entry.find('/');
    const auto network = Ipv4(entry.substr(0, slash));
    if (!network) return std::nullopt;
    int bits = 32;
    if (slash != std::string_view::npos) {
        const std::string_view length = entry.substr(slash + 1);
        if (length.empty() || length.size() > 2) return std::nullopt;
        bits = 0;
        for (char c : length) {
            if (c < '0' || c > '9') return std::nullopt;
            bits = bits * 10 + (c - '0');
        }
        if (bits > 32) return std::nullopt;
    }
    const uint32_t mask = bits == 0 ? 0 : ~uint32_t{0} << (32 - bits);
    return Range{*network & mask, mask};
}

// Each entry of `allowed`, trimmed, in turn.
template <typename Visit>
void ForEachEntry(std::string_view allowed, Visit visit) {
    while (!allowed.empty()) {
        const size_t comma = allowed.find(',');
        const std::string_view entry = Trimmed(allowed.substr(0, comma));
        if (!entry.empty()) visit(entry);
        if (comma == std::string_view::npos) break;
        allowed.remove_prefix(comma + 1);
    }
}

}  // namespace

bool IsLoopback(std::string_view address) {
    const auto ip = Ipv4(address);
    return ip && (*ip >> 24) == 127;
}

bool InAllowList(std::string_view allowed, std::string_view address) {
    const auto ip = Ipv4(address);
    if (!ip) return false;
    bool in = false;
    ForEachEntry(allowed, [&](std::string_view entry) {
        const auto range = RangeOf(entry);
        in = in || (range && (*ip & range->mask) == range->network);
    });
    return in;
}

std::vector<std::string> MalformedEntries(std::string_view allowed) {
    std::vector<std::string> malformed;
    ForEachEntry(allowed, [&](std::string_view entry) {
        if (!RangeOf(entry)) malformed.emplace_back(entry);
    });
    return malformed;
}

}  // namespace zd
