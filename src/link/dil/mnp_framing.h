// MNP frames on a transport: the desktop end of the link of mnp/mnp_link.h.
#pragma once

#include <vector>

#include "link/dil/framing.h"
#include "link/dil/transport.h"
#include "link/mnp/mnp_link.h"

namespace zd {

// Set to anything but "0" to hex-dump every frame, both ways, on standard error.
inline constexpr const char* kMnpTraceVariable = "ZD_MNP_TRACE";

// Milliseconds, 10 up to the usual 3000, for the wait before a frame is sent
// again.  A soak over a badly damaged line would otherwise spend its time
// waiting out three-second timers.
inline constexpr const char* kMnpRetransmitVariable = "ZD_MNP_RETRANSMIT_MS";

// The retransmission time the environment asks for, or the usual one.
int32_t RetransmitMsFromEnvironment();

class MnpFraming final : public Framing {
public:
    // `options` as the desktop end runs them.
    MnpFraming(Transport& transport, const mnp::LinkOptions& options);

    void Input(ByteQueue& wire, ByteQueue& inbox, int64_t now) override;
    void Poll(int64_t now) override;
    int64_t NextTimerAt() const override { return m_link.NextTimerAt(); }
    int32_t State() const override;
    void Accept(int64_t now) override;
    int32_t Send(const uint8_t* data, size_t size, size_t* taken, int64_t now) override;
    size_t Unconfirmed() const override { return m_link.UnacknowledgedBytes(); }
    void Close() override;

    const mnp::MnpLink& link() const { return m_link; }

private:
    // What the link said during one call goes out in one write: a window's
    // frames cost one system call, not eight.
    void Flush();

    Transport& m_transport;
    std::vector<uint8_t> m_outgoing;
    mnp::MnpLink m_link;
    int32_t m_writeError = 0;  // the transport refused a frame
};

}  // namespace zd
