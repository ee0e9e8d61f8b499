#include "line_damage.h"

namespace zd::sim {

bool LineDamage::Apply(std::vector<uint8_t>& frame) {
    if (frame.empty()) return true;
    if (m_chance(m_random) < m_rates.drop) {
        ++m_dropped;
        return false;
    }
    if (m_chance(m_random) < m_rates.corrupt) {
        ++m_corrupted;
        const size_t at = m_random() % frame.size();
        frame[at] ^= static_cast<uint8_t>(1u << (m_random() % 8));
    }
    return true;
}

void LineDamage::ApplyToStream(const uint8_t* bytes, size_t size, std::vector<uint8_t>& out) {
    constexpr uint8_t kDle = 0x10, kEtx = 0x03;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t byte = bytes[i];
        m_partial.push_back(byte);
        if (m_crcBytesLeft > 0) {
            if (--m_crcBytesLeft == 0) {
                if (Apply(m_partial)) out.insert(out.end(), m_partial.begin(), m_partial.end());
                m_partial.clear();
                m_crcBytesLeft = -1;
            }
            continue;
        }
        if (m_afterDle) {
            m_afterDle = false;
            if (byte == kEtx) m_crcBytesLeft = 2;
        } else if (byte == kDle) {
            m_afterDle = true;
        }
    }
}

}  // namespace zd::sim
