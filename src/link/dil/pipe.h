// One connection to a Newton: a transport, the bytes that have arrived and not
// yet been read, and the DIL state the two add up to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/dil/byte_queue.h"
#include "link/dil/transport.h"

namespace zd {

class Pipe {
public:
    explicit Pipe(std::unique_ptr<Transport> transport);
    ~Pipe();

    // Opens the transport: state 3.  Only from a fresh pipe.
    int32_t StartListening();
    // Takes the Newton of state 4: state 5.  A no-op in state 5.
    int32_t Accept();
    // Moves arrived bytes into the inbox.  Never blocks.
    void Pump();
    // The DIL state code, as of the last pump.
    int32_t State() const;
    // Sends to a connected Newton.
    int32_t Write(const uint8_t* data, size_t size);
    void Wait(int32_t timeoutMs) { m_transport->Wait(timeoutMs); }
    // Lets go of the Newton: state 2 from now on.  What arrived stays readable.
    void Disconnect();
    std::string PeerName() const { return m_transport->PeerName(); }

    ByteQueue& inbox() { return m_inbox; }

private:
    enum class Phase { kFresh, kListening, kAccepted, kEnded };

    std::unique_ptr<Transport> m_transport;
    ByteQueue m_inbox;
    Phase m_phase = Phase::kFresh;
};

}  // namespace zd
