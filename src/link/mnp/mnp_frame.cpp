#include "link/mnp/mnp_frame.h"

#include <algorithm>
#include <cstring>

#include "link/mnp/mnp_crc.h"

namespace zd::mnp {

void AppendFrame(const std::vector<uint8_t>& body, std::vector<uint8_t>& out) {
    out.insert(out.end(), {kSyn, kDle, kStx});
    for (uint8_t byte : body) {
        out.push_back(byte);
        if (byte == kDle) out.push_back(kDle);
    }
    out.insert(out.end(), {kDle, kEtx});
    const uint8_t etx = kEtx;
    const uint16_t crc = Crc16(Crc16(0, body.data(), body.size()), &etx, 1);
    out.push_back(static_cast<uint8_t>(crc & 0xFF));
    out.push_back(static_cast<uint8_t>(crc >> 8));
}

size_t Deframer::Push(const uint8_t* data, size_t size, bool* complete) {
    *complete = false;
    const uint64_t droppedBefore = m_dropped;
    size_t taken = 0;
    while (taken < size) {
        if (m_step == Step::kBody) {
            // Inside a frame most bytes are data: take the run up to the next
            // DLE (or the room left) at once.
            const uint8_t* from = data + taken;
            const auto* dle = static_cast<const uint8_t*>(std::memchr(from, kDle, size - taken));
            const size_t run =
                std::min<size_t>((dle ? dle : data + size) - from, kMaxBody - m_body.size());
            m_body.insert(m_body.end(), from, from + run);
            taken += run;
            if (taken == size) break;
        }
        *complete = Push(data[taken++]);
        if (*complete || m_dropped != droppedBefore) break;
    }
    return taken;
}

void Deframer::Drop() {
    ++m_dropped;
    m_body.clear();
    m_step = Step::kHunt;
}

bool Deframer::Push(uint8_t byte) {
    switch (m_step) {
        case Step::kHunt:
            if (byte == kSyn) m_step = Step::kSyn;
            return false;
        case Step::kSyn:
            m_step = byte == kDle ? Step::kSynDle : byte == kSyn ? Step::kSyn : Step::kHunt;
            return false;
        case Step::kSynDle:
            if (byte == kStx) {
                m_body.clear();
                m_step = Step::kBody;
            } else {
                m_step = byte == kSyn ? Step::kSyn : Step::kHunt;
            }
            return false;
        case Step::kBody:
            if (byte == kDle) {
                m_step = Step::kEscape;
            } else if (m_body.size() == kMaxBody) {
                Drop();
            } else {
                m_body.push_back(byte);
            }
            return false;
        case Step::kEscape:
            if (byte == kDle) {
                if (m_body.size() == kMaxBody) {
                    Drop();
                    return false;
                }
                m_body.push_back(kDle);
                m_step = Step::kBody;
            } else if (byte == kEtx) {
                m_crc = Crc16(Crc16(0, m_body.data(), m_body.size()), &byte, 1);
                m_step = Step::kCrcLow;
            } else if (byte == kStx) {
                // A frame cut short, followed by the start of the next one: the
                // cut frame is lost, the next one need not be.
                ++m_dropped;
                m_body.clear();
                m_step = Step::kBody;
            } else {
                Drop();
            }
            return false;
        case Step::kCrcLow:
            m_crcLow = byte;
            m_step = Step::kCrcHigh;
            return false;
        case Step::kCrcHigh: {
            const uint16_t received = static_cast<uint16_t>(m_crcLow | (byte << 8));
            if (received != m_crc || m_body.empty()) {
                Drop();
                return false;
            }
            m_step = Step::kHunt;
            return true;
        }
    }
    return false;
}

}  // namespace zd::mnp
