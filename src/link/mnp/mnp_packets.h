// The MNP frame bodies the link sends and understands: LR (link request), LD
// (disconnect), LT (data), LA (acknowledge).  Bodies only; framing is in
// mnp_frame.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace zd::mnp {

enum FrameType : uint8_t {
    kLr = 1,
    kLd = 2,
    kLt = 4,
    kLa = 5,
    kLn = 6,
    kLna = 7,
};

// LD reasons.
inline constexpr uint8_t kLdNoRequest = 1;     // an LR was expected
inline constexpr uint8_t kLdBadConstant = 2;   // LR constant parameter 1 is not 2
inline constexpr uint8_t kLdBadParameter = 3;  // LR parameter we cannot agree to
inline constexpr uint8_t kLdUserDisconnect = 0xFF;

// What an LR offers, and what two LRs agree on.
struct LinkParameters {
    uint8_t window = 1;        // k: LT frames that may wait for acknowledgement
    uint16_t maxInfo = 64;     // N401
    uint8_t optimisation = 0;  // bit 1: 256-byte info fields; bit 2: fixed-field LT/LA
};

inline constexpr uint8_t kOptLargeInfo = 1;
inline constexpr uint8_t kOptFixedFields = 2;

// The type of a frame body, or 0 for a body too short to have one.
uint8_t TypeOf(const std::vector<uint8_t>& body);

// Parses an LR body.  Its header-length byte is not trusted (the Newton's is
// wrong); parameters run to the end of the body and unknown ones are skipped.
// Returns 0 and fills `offer`, or the LD reason for refusing it.
uint8_t ParseLinkRequest(const std::vector<uint8_t>& body, LinkParameters& offer);

// Our answer to a Newton's LR: `window`, 256-byte info fields, fixed-field
// LT/LA, and nothing else (an unknown parameter would make the Newton refuse).
std::vector<uint8_t> DesktopLinkRequest(uint8_t window);
// The LR a Newton sends to start a link, as captured from a real one (which
// offers a window of 8).
std::vector<uint8_t> NewtonLinkRequest(uint8_t window);
// What both sides end up with when `ours` meets `theirs`.
LinkParameters Agree(const LinkParameters& ours, const LinkParameters& theirs);

std::vector<uint8_t> LtBody(uint8_t sequence, const uint8_t* info, size_t size, bool fixed);
std::vector<uint8_t> LaBody(uint8_t received, uint8_t credit, bool fixed);
std::vector<uint8_t> LdBody(uint8_t reason);

struct Transfer {
    uint8_t sequence;   // N(S)
    size_t infoOffset;  // where the data starts in the body
};
// Parses an LT body in either form.
std::optional<Transfer> ParseLt(const std::vector<uint8_t>& body);

struct Acknowledge {
    uint8_t received;  // N(R): the last LT received, cumulatively
    uint8_t credit;    // N(k): how many more LT the sender of the LA accepts
};
// Parses an LA body in either form.
std::optional<Acknowledge> ParseLa(const std::vector<uint8_t>& body);

// The reason byte of an LD body; 0 when absent.
uint8_t LdReason(const std::vector<uint8_t>& body);

}  // namespace zd::mnp
