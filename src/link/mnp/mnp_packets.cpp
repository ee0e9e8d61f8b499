#include "link/mnp/mnp_packets.h"

#include <algorithm>

namespace zd::mnp {
namespace {

// Parameter types of an LR header.
constexpr uint8_t kParamFraming = 2;
constexpr uint8_t kParamWindow = 3;
constexpr uint8_t kParamMaxInfo = 4;
constexpr uint8_t kParamOptimisation = 8;

// Parameter types of the variable-form LT, LA and LD headers.
constexpr uint8_t kParamSequence = 1;  // N(S), N(R), or the LD reason
constexpr uint8_t kParamCredit = 2;    // N(k), or the LD user code

constexpr uint8_t kFramingStartStop = 2;  // octet-oriented, the only one we speak

// Calls `visit(type, value, length)` for each type-length-value parameter in
// body[from, end); a parameter that runs past the end stops the walk.
template <typename Visit>
void ForEachParameter(const std::vector<uint8_t>& body, size_t from, size_t end, Visit visit) {
    size_t at = from;
    while (at + 2 <= end) {
        const uint8_t type = body[at];
        const uint8_t length = body[at + 1];
        if (at + 2 + length > end) return;
        visit(type, &body[at + 2], length);
        at += 2 + length;
    }
}

// The value byte of a one-byte parameter in a variable-form header.
std::optional<uint8_t> ByteParameter(const std::vector<uint8_t>& body, uint8_t wanted) {
    std::optional<uint8_t> found;
    if (body.empty()) return found;
    const size_t headerEnd = std::min<size_t>(body.size(), 1 + body[0]);
    ForEachParameter(body, 2, headerEnd, [&](uint8_t type, const uint8_t* value, uint8_t length) {
        if (type == wanted && length == 1 && !found) found = value[0];
    });
    return found;
}

}  // namespace

uint8_t TypeOf(const std::vector<uint8_t>& body) {
    return body.size() >= 2 ? body[1] : 0;
}

uint8_t ParseLinkRequest(const std::vector<uint8_t>& body, LinkParameters& offer) {
    if (body.size() < 3 || body[2] != 2) return kLdBadConstant;
    offer = LinkParameters{};
    uint8_t verdict = 0;
    ForEachParameter(body, 3, body.size(), [&](uint8_t type, const uint8_t* value, uint8_t length) {
        switch (type) {
            case kParamFraming:
                if (length >= 1 && value[0] < kFramingStartStop) verdict = kLdBadParameter;
                break;
            case kParamWindow:
                if (length >= 1) offer.window = value[0];
                break;
            case kParamMaxInfo:
                if (length >= 2) offer.maxInfo = static_cast<uint16_t>(value[0] | value[1] << 8);
                break;
            case kParamOptimisation:
                if (length >= 1) offer.optimisation = value[0];
                break;
            default:
                break;  // constant parameter 2, compression, speed: nothing to agree on
        }
    });
    if (offer.window == 0 || offer.maxInfo == 0) verdict = kLdBadParameter;
    return verdict;
}

std::vector<uint8_t> DesktopLinkRequest(uint8_t window) {
    return {0x17, kLr,  0x02, 0x01, 0x06,   0x01, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x02,
            0x01, 0x02, 0x03, 0x01, window, 0x04, 0x02, 0x40, 0x00, 0x08, 0x01, 0x03};
}

std::vector<uint8_t> NewtonLinkRequest(uint8_t window) {
    return {0x26, kLr,  0x02,   0x01, 0x06, 0x01, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x02, 0x01, 0x02,
            0x03, 0x01, window, 0x04, 0x02, 0x40, 0x00, 0x08, 0x01, 0x03, 0x09, 0x01, 0x01, 0x0E,
            0x04, 0x03, 0x04,   0x00, 0xFA, 0xC5, 0x06, 0x01, 0x04, 0x00, 0x00, 0xE1, 0x00};
}

LinkParameters Agree(const LinkParameters& ours, const LinkParameters& theirs) {
    LinkParameters agreed;
    // A peer that offers no window at all still gets one frame at a time.
    agreed.window = std::max<uint8_t>(1, std::min(ours.window, theirs.window));
    agreed.maxInfo = std::min(ours.maxInfo, theirs.maxInfo);
    agreed.optimisation = ours.optimisation & theirs.optimisation;
    return agreed;
}

std::vector<uint8_t> LtBody(uint8_t sequence, const uint8_t* info, size_t size, bool fixed) {
    std::vector<uint8_t> body =
        fixed ? std::vector<uint8_t>{0x02, kLt, sequence}
              : std::vector<uint8_t>{0x04, kLt, kParamSequence, 0x01, sequence};
    body.insert(body.end(), info, info + size);
    return body;
}

std::vector<uint8_t> LaBody(uint8_t received, uint8_t credit, bool fixed) {
    if (fixed) return {0x03, kLa, received, credit};
    return {0x07, kLa, kParamSequence, 0x01, received, kParamCredit, 0x01, credit};
}

std::vector<uint8_t> LdBody(uint8_t reason) {
    return {0x04, kLd, kParamSequence, 0x01, reason};
}

std::optional<Transfer> ParseLt(const std::vector<uint8_t>& body) {
    if (TypeOf(body) != kLt) return std::nullopt;
    const size_t infoOffset = 1 + size_t{body[0]};
    if (infoOffset > body.size()) return std::nullopt;
    if (body[0] == 2) return Transfer{body[2], infoOffset};
    const auto sequence = ByteParameter(body, kParamSequence);
    if (!sequence) return std::nullopt;
    return Transfer{*sequence, infoOffset};
}

std::optional<Acknowledge> ParseLa(const std::vector<uint8_t>& body) {
    if (TypeOf(body) != kLa) return std::nullopt;
    if (body[0] == 3 && body.size() >= 4) return Acknowledge{body[2], body[3]};
    const auto received = ByteParameter(body, kParamSequence);
    const auto credit = ByteParameter(body, kParamCredit);
    if (!received || !credit) return std::nullopt;
    return Acknowledge{*received, *credit};
}

uint8_t LdReason(const std::vector<uint8_t>& body) {
    return ByteParameter(body, kParamSequence).value_or(0);
}

}  // namespace zd::mnp
