// The network transport: listens on a TCP address, takes the first Newton that
// connects and carries its byte stream as it comes; later ones are turned away.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "link/dil/admission.h"
#include "link/dil/transport.h"

namespace zd {

class TcpTransport final : public Transport {
public:
    // Listens on `address` (dotted IPv4, e.g. "127.0.0.1" or "0.0.0.0") and
    // `port`.  `writeTimeoutMs` bounds how long a write waits for room;
    // `notice` hears why listening failed, in words; `admit` decides on a
    // caller from another machine (none: every caller is taken), and
    // `withdrawn` hears that one it had not decided on has gone.  While one
    // waits, a caller of this machine is still taken (in its place).
    TcpTransport(Clock& clock, std::string address, int32_t port, int32_t writeTimeoutMs,
                 Notice notice, Admit admit = {}, Withdrawn withdrawn = {});
    ~TcpTransport() override;

    FramingKind framing() const override { return FramingKind::kDetect; }
    int32_t Open() override;
    void Pump(ByteQueue& inbox) override;
    Peer peer() const override { return m_peer; }
    int32_t Write(const uint8_t* data, size_t size) override;
    int32_t WriteSome(const uint8_t* data, size_t size, size_t* taken) override;
    // What the socket holds that the other end's TCP has not acknowledged.
    size_t Unconfirmed() const override;
    void Wait(int32_t timeoutMs) override;
    void Close() override;
    std::string PeerName() const override { return m_peerName; }

private:
    int32_t Fail(int32_t code);
    // The next waiting client's socket and its address as `name`, or -1.
    int AcceptWaiting(std::string& name);
    void TakeWaitingConnection();
    // True when the caller held for its admission has closed its end.
    bool HeldCallerLeft() const;
    // Lets the held caller go, telling `withdrawn`.
    void WithdrawHeldCaller();
    void Attach(int fd, const std::string& name);
    void TurnAwayLateComers();
    void PeerLeft();

    Clock& m_clock;
    std::string m_address;
    int32_t m_port;
    int32_t m_writeTimeoutMs;
    Notice m_notice;
    Admit m_admit;
    Withdrawn m_withdrawn;
    static constexpr int64_t kTurnAwayEveryMs = 100;
    // A caller waiting for its admission: nothing it sends is read meanwhile.
    int m_heldFd = -1;
    std::string m_heldName;

    int m_listenFd = -1;
    int m_connFd = -1;
    Peer m_peer = Peer::kNone;
    std::string m_peerName;
    int64_t m_nextTurnAwayMs = 0;
};

}  // namespace zd
