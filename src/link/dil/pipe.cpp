#include "link/dil/pipe.h"

#include "link/dil/dil.h"

namespace zd {

Pipe::Pipe(std::unique_ptr<Transport> transport) : m_transport(std::move(transport)) {}

Pipe::~Pipe() {
    m_transport->Close();
}

int32_t Pipe::StartListening() {
    if (m_phase != Phase::kFresh) return kDilErrWrongState;
    const int32_t result = m_transport->Open();
    if (result == kDilOk) m_phase = Phase::kListening;
    return result;
}

int32_t Pipe::Accept() {
    Pump();
    const int32_t state = State();
    if (state == kStateConnected) return kDilOk;
    if (state != kStateConnectPending) return kDilErrWrongState;
    m_phase = Phase::kAccepted;
    return kDilOk;
}

void Pipe::Pump() {
    if (m_phase == Phase::kListening || m_phase == Phase::kAccepted) m_transport->Pump(m_inbox);
}

int32_t Pipe::State() const {
    switch (m_phase) {
        case Phase::kFresh:
        case Phase::kEnded:
            return kStateDisconnected;
        case Phase::kListening:
            switch (m_transport->peer()) {
                case Peer::kNone:
                    return kStateListening;
                case Peer::kAttached:
                    return kStateConnectPending;
                case Peer::kGone:
                    return kStateDisconnected;
            }
            break;
        case Phase::kAccepted:
            return m_transport->peer() == Peer::kAttached ? kStateConnected : kStateDisconnected;
    }
    return kStateUnknown;
}

int32_t Pipe::Write(const uint8_t* data, size_t size) {
    Pump();
    const int32_t state = State();
    if (state != kStateConnected) {
        return m_phase == Phase::kAccepted ? kDilErrLinkDropped : kDilErrNotConnected;
    }
    return m_transport->Write(data, size);
}

void Pipe::Disconnect() {
    Pump();  // what reached us before the end stays readable
    m_transport->Close();
    m_phase = Phase::kEnded;
}

}  // namespace zd
