// MNP framing on a byte stream: SYN DLE STX, the body with every DLE doubled,
// DLE ETX, then the CRC of the body plus ETX, low byte first.  The body starts
// with the header-length byte; see docs/mnp.md in this folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zd::mnp {

inline constexpr uint8_t kSyn = 0x16;
inline constexpr uint8_t kDle = 0x10;
inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kEtx = 0x03;

// Longer bodies are not MNP frames of ours or the Newton's; they are dropped.
inline constexpr size_t kMaxBody = 512;

// Appends the framed form of `body` to `out`.
void AppendFrame(const std::vector<uint8_t>& body, std::vector<uint8_t>& out);

// Finds frames in a byte stream fed in pieces of any size.  Garbage before a
// start flag is skipped; a frame with a bad CRC, a bad escape or an overlong
// body is dropped, and the hunt for the next start flag begins again.
class Deframer {
public:
    // Feeds one byte.  Returns true when it completed a good frame, whose body
    // is then in body() until the next call.
    bool Push(uint8_t byte);
    // Feeds bytes from `data` until a good frame is complete, a frame is
    // dropped, or they run out; returns how many it took.  `*complete` says
    // whether it stopped at a good frame.  The same as pushing them one by one.
    size_t Push(const uint8_t* data, size_t size, bool* complete);
    const std::vector<uint8_t>& body() const { return m_body; }

    // Frames dropped so far, for the statistics.
    uint64_t dropped() const { return m_dropped; }

private:
    enum class Step { kHunt, kSyn, kSynDle, kBody, kEscape, kCrcLow, kCrcHigh };

    void Drop();

    Step m_step = Step::kHunt;
    std::vector<uint8_t> m_body;
    uint16_t m_crc = 0;
    uint8_t m_crcLow = 0;
    uint64_t m_dropped = 0;
};

}  // namespace zd::mnp
