// A serial device or pseudo-terminal: raw 8N1 with no flow control of either
// kind (many Newton cables have three wires), opened for this program alone.
#pragma once

#include <termios.h>

#include <functional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "link/dil/device_lock.h"
#include "link/dil/transport.h"

namespace zd {

class SerialTransport final : public Transport {
public:
    // `baud` is the line speed; a pseudo-terminal ignores it.  `notice` hears
    // why a device cannot be opened, in words a user can act on.
    // The device is locked in `lockDir` while it is open.
    SerialTransport(Clock& clock, std::string device, std::string lockDir, int32_t baud,
                    int32_t writeTimeoutMs, Notice notice);
    ~SerialTransport() override;

    FramingKind framing() const override { return FramingKind::kMnp; }
    int32_t Open() override;
    void Pump(ByteQueue& inbox) override;
    Peer peer() const override { return m_peer; }
    int32_t Write(const uint8_t* data, size_t size) override;
    void Wait(int32_t timeoutMs) override;
    void Close() override;
    std::string PeerName() const override { return {}; }

private:
    int32_t Fail(int err);
    void LineGone();

    Clock& m_clock;
    std::string m_device;
    std::string m_lockDir;
    DeviceLock m_lock;
    int32_t m_baud;
    int32_t m_writeTimeoutMs;
    Notice m_notice;
    int m_fd = -1;
    termios m_saved{};
    bool m_restore = false;
    Peer m_peer = Peer::kNone;
};

// The termios speed constant for `baud`, or B0 for a speed the system lacks.
speed_t SpeedConstant(int32_t baud);

}  // namespace zd
