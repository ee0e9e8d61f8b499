#include "link/dil/stream_framing.h"

#include "link/dil/dil.h"

namespace zd {

void StreamFraming::Input(ByteQueue& wire, ByteQueue& inbox, int64_t) {
    wire.MoveAllTo(inbox);
}

int32_t StreamFraming::State() const {
    return m_accepted ? kStateConnected : kStateConnectPending;
}

int32_t StreamFraming::Send(const uint8_t* data, size_t size, size_t* taken, int64_t) {
    return m_transport.WriteSome(data, size, taken);
}

}  // namespace zd
