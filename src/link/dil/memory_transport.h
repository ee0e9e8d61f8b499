// A transport whose Newton lives in the same process: the test (or an
// in-process simulator) plays the Newton byte by byte through a MemoryPeer.
// Nothing arrives while the program waits, so a read that lacks bytes runs to
// its deadline on the injected clock.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "link/dil/transport.h"

namespace zd {

class MemoryPeer {
public:
    // Called after each write of the program, with the bytes written; the
    // Newton may answer from here (Send, Hangup).
    using Reaction = std::function<void(MemoryPeer&, std::string_view written)>;

    // The Newton's side.
    void Connect() { m_peer = Peer::kAttached; }
    void Hangup() { m_peer = Peer::kGone; }
    void Send(std::string_view bytes) { m_outgoing += bytes; }
    void OnWrite(Reaction reaction) { m_reaction = std::move(reaction); }
    // Called when the program waits for the Newton, with the longest wait;
    // the test may let that much time pass.  Waits return at once when unset.
    void OnWait(std::function<void(int32_t timeoutMs)> sleeper) { m_sleeper = std::move(sleeper); }
    // What the line carries; a plain stream unless set.
    void SetFraming(FramingKind framing) { m_framing = framing; }

    // What the program sent, all of it, in order.
    const std::string& received() const { return m_received; }

    // Failure knobs: the result of the next Open, and of the next `count`
    // writes (all of them from now on when count is negative).
    void FailOpenWith(int32_t code) { m_openResult = code; }
    void FailWritesWith(int32_t code, int count = -1) {
        m_writeResult = code;
        m_failingWrites = count;
    }

    bool closed() const { return m_closed; }

private:
    friend class MemoryTransport;

    Peer m_peer = Peer::kNone;
    FramingKind m_framing = FramingKind::kStream;
    std::string m_outgoing;
    std::string m_received;
    Reaction m_reaction;
    std::function<void(int32_t)> m_sleeper;
    int32_t m_openResult = 0;
    int32_t m_writeResult = 0;
    int m_failingWrites = 0;
    bool m_closed = false;
};

class MemoryTransport final : public Transport {
public:
    explicit MemoryTransport(std::shared_ptr<MemoryPeer> peer) : m_peer(std::move(peer)) {}

    FramingKind framing() const override { return m_peer->m_framing; }
    int32_t Open() override;
    void Pump(ByteQueue& inbox) override;
    Peer peer() const override { return m_peer->m_peer; }
    int32_t Write(const uint8_t* data, size_t size) override;
    void Wait(int32_t timeoutMs) override {
        // Like poll(): no wait at all while there is something to read.
        if (m_peer->m_sleeper && m_peer->m_outgoing.empty()) m_peer->m_sleeper(timeoutMs);
    }
    void Close() override;
    std::string PeerName() const override { return {}; }

private:
    std::shared_ptr<MemoryPeer> m_peer;
};

}  // namespace zd
