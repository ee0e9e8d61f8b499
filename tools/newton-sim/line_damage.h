// A line that damages MNP frames on purpose, seeded so a run can be repeated:
// a frame is lost whole, or one bit of it flips, each with its own rate.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace zd::sim {

struct DamageRates {
    double corrupt = 0;  // chance per frame of one flipped bit
    double drop = 0;     // chance per frame of losing it
    uint64_t seed = 1;
};

class LineDamage {
public:
    explicit LineDamage(DamageRates rates) : m_rates(rates), m_random(rates.seed) {}

    bool active() const { return m_rates.corrupt > 0 || m_rates.drop > 0; }

    // Damages one whole frame in place; returns false when it is lost.
    bool Apply(std::vector<uint8_t>& frame);

    // Cuts a received byte stream into frames (after DLE ETX and the two CRC
    // bytes) and damages each; what survives is appended to `out`.
    void ApplyToStream(const uint8_t* bytes, size_t size, std::vector<uint8_t>& out);

    uint64_t corrupted() const { return m_corrupted; }
    uint64_t dropped() const { return m_dropped; }

private:
    DamageRates m_rates;
    std::mt19937_64 m_random;
    std::uniform_real_distribution<double> m_chance{0.0, 1.0};
    std::vector<uint8_t> m_partial;  // the frame being cut from the stream
    bool m_afterDle = false;
    int m_crcBytesLeft = -1;  // counting down after DLE ETX
    uint64_t m_corrupted = 0;
    uint64_t m_dropped = 0;
};

}  // namespace zd::sim
