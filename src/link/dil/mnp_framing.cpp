#include "link/dil/mnp_framing.h"

#include <cstdlib>
#include <cstring>

#include "link/dil/dil.h"
#include "link/mnp/mnp_trace.h"

namespace zd {
namespace {

bool TraceWanted() {
    const char* value = std::getenv(kMnpTraceVariable);
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

}  // namespace

int32_t RetransmitMsFromEnvironment() {
    const char* value = std::getenv(kMnpRetransmitVariable);
    if (value == nullptr) return mnp::kRetransmitMs;
    char* end = nullptr;
    const long ms = std::strtol(value, &end, 10);
    const bool valid = end != value && *end == '\0' && ms >= 10 && ms <= mnp::kRetransmitMs;
    return valid ? static_cast<int32_t>(ms) : mnp::kRetransmitMs;
}

MnpFraming::MnpFraming(Transport& transport, const mnp::LinkOptions& options)
    : m_transport(transport),
      m_link([this](const uint8_t* bytes,
                    size_t size) { m_outgoing.insert(m_outgoing.end(), bytes, bytes + size); },
             options) {
    if (TraceWanted()) m_link.SetTrace(mnp::HexTrace("mnp"));
}

void MnpFraming::Flush() {
    if (m_outgoing.empty()) return;
    const int32_t result = m_transport.Write(m_outgoing.data(), m_outgoing.size());
    if (result != kDilOk) m_writeError = result;
    m_outgoing.clear();
}

void MnpFraming::Input(ByteQueue& wire, ByteQueue& inbox, int64_t now) {
    m_link.Input(wire.data(), wire.size(), now);
    wire.Clear();
    m_link.delivered().MoveAllTo(inbox);
    Flush();
}

void MnpFraming::Poll(int64_t now) {
    m_link.Poll(now);
    Flush();
}

void MnpFraming::Accept(int64_t now) {
    m_link.Accept(now);
    Flush();
}

void MnpFraming::Close() {
    m_link.Disconnect();
    Flush();
}

int32_t MnpFraming::State() const {
    using Phase = mnp::MnpLink::Phase;
    switch (m_link.phase()) {
        case Phase::kIdle:
        case Phase::kAwaitingReply:
            return kStateListening;
        case Phase::kRequested:
        case Phase::kAwaitingAck:
            return kStateConnectPending;
        case Phase::kConnected:
            return kStateConnected;
        case Phase::kDisconnected:
            return kStateDisconnected;
    }
    return kStateUnknown;
}

int32_t MnpFraming::Send(const uint8_t* data, size_t size, size_t* taken, int64_t now) {
    *taken = 0;
    if (m_writeError != kDilOk) return m_writeError;
    // As much as the window allows, in one write.
    while (*taken < size && m_link.CanSend())
        *taken += m_link.Send(data + *taken, size - *taken, now);
    Flush();
    return m_writeError;
}

}  // namespace zd
