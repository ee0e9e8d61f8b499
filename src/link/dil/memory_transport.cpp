#include "link/dil/memory_transport.h"

#include "link/dil/dil.h"

namespace zd {

int32_t MemoryTransport::Open() {
    return m_peer->m_openResult;
}

void MemoryTransport::Pump(ByteQueue& inbox) {
    std::string& outgoing = m_peer->m_outgoing;
    if (m_peer->m_peer == Peer::kNone || outgoing.empty()) return;
    inbox.Append(reinterpret_cast<const uint8_t*>(outgoing.data()), outgoing.size());
    outgoing.clear();
}

int32_t MemoryTransport::Write(const uint8_t* data, size_t size) {
    if (m_peer->m_writeResult != kDilOk && m_peer->m_failingWrites != 0) {
        if (m_peer->m_failingWrites > 0) --m_peer->m_failingWrites;
        return m_peer->m_writeResult;
    }
    const std::string_view written(reinterpret_cast<const char*>(data), size);
    m_peer->m_received += written;
    if (m_peer->m_reaction) m_peer->m_reaction(*m_peer, written);
    return kDilOk;
}

void MemoryTransport::Close() {
    m_peer->m_closed = true;
    if (m_peer->m_peer == Peer::kAttached) m_peer->m_peer = Peer::kGone;
}

}  // namespace zd
