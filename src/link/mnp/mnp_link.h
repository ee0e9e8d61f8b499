// The MNP link as a pure state machine: bytes in, frames out, time from the
// caller.  It plays either end: the desktop, which answers the Newton's link
// request, or the Newton, which makes it (for the simulated Newton).  Up to the
// agreed window of LT frames travel before their LA; a loss sends again from
// the oldest frame not yet acknowledged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "base/byte_queue.h"
#include "link/mnp/mnp_frame.h"
#include "link/mnp/mnp_packets.h"

namespace zd::mnp {

// An LT without its LA is sent again after this long...
inline constexpr int64_t kRetransmitMs = 3000;
// ...and the link is given up after this many sends of it.
inline constexpr int kMaxSends = 10;
// The most data bytes we put in one LT (the Newton accepts 256, but some
// implementations choke on full-length frames).
inline constexpr size_t kMaxSendInfo = 253;
// A damaged frame is answered with an LA that asks for the last one again, but
// no more often than this.
inline constexpr int64_t kNakIntervalMs = 100;
// The most LT frames that may wait for acknowledgement, ours and the Newton's.
inline constexpr uint8_t kMaxWindow = 8;

enum class Role { kDesktop, kNewton };

struct LinkOptions {
    Role role = Role::kDesktop;
    // The window this end offers (1 to kMaxWindow); the link runs with the
    // smaller of the two offers.
    uint8_t window = kMaxWindow;
    size_t maxSendInfo = kMaxSendInfo;
    // Shorter in tests that push much data over a damaged line.
    int64_t retransmitMs = kRetransmitMs;
    // The Newton does not answer the first repeat of an LT it already has.
    bool ignoreFirstDuplicate = false;
};

struct LinkStats {
    uint64_t framesSent = 0;
    uint64_t framesReceived = 0;
    uint64_t retransmissions = 0;
    uint64_t damagedFrames = 0;  // bad CRC, bad escape, too long
    uint64_t duplicates = 0;     // LT received again
    uint64_t outOfSequence = 0;  // LT received ahead of its turn
};

class MnpLink {
public:
    enum class Phase {
        kIdle,           // desktop: waiting for an LR; Newton: not started
        kRequested,      // desktop: the Newton's LR arrived, not yet answered
        kAwaitingReply,  // Newton: our LR went out, waiting for the desktop's
        kAwaitingAck,    // desktop: our LR went out, waiting for the Newton's LA
        kConnected,
        kDisconnected,
    };

    // Receives the framed bytes to put on the wire.
    using Output = std::function<void(const uint8_t* bytes, size_t size)>;
    // Sees the body of every good frame, in both directions.
    using Trace = std::function<void(bool outgoing, const std::vector<uint8_t>& body)>;

    explicit MnpLink(Output output, LinkOptions options = {});

    void SetTrace(Trace trace) { m_trace = std::move(trace); }

    // Feeds bytes from the wire; data the peer sends lands in delivered().
    void Input(const uint8_t* bytes, size_t size, int64_t now);
    // Runs the timers.
    void Poll(int64_t now);
    // When Poll next has something to do; INT64_MAX while no timer runs.
    int64_t NextTimerAt() const;

    // Newton: sends the link request.
    void Connect(int64_t now);
    // Desktop: answers the link request that arrived.  False unless kRequested.
    bool Accept(int64_t now);
    // Sends LD (user disconnect) if the link is up, and ends it.
    void Disconnect();

    // True when an LT may go out now: connected, and fewer frames wait for
    // acknowledgement than the window and the peer's credit allow.
    bool CanSend() const;
    // Sends the first bytes of `data` (up to the agreed frame size) as one LT and
    // returns how many.  REQUIRES: CanSend().
    size_t Send(const uint8_t* data, size_t size, int64_t now);
    // True when every LT sent has been acknowledged.
    bool AllAcknowledged() const { return m_unacked.empty(); }
    // The data bytes sent and not yet acknowledged.
    size_t UnacknowledgedBytes() const;

    Phase phase() const { return m_phase; }
    // The window both ends agreed on; 1 until the link is up.
    uint8_t window() const { return m_agreed.window; }
    ByteQueue& delivered() { return m_delivered; }
    const LinkStats& stats() const { return m_stats; }
    // The reason of the LD that ended the link (received or sent); 0 if none.
    uint8_t disconnectReason() const { return m_disconnectReason; }

private:
    void OnFrame(const std::vector<uint8_t>& body, int64_t now);
    void OnLinkRequest(const std::vector<uint8_t>& body, int64_t now);
    void OnTransfer(const std::vector<uint8_t>& body);
    void OnAcknowledge(const std::vector<uint8_t>& body, int64_t now);
    void OnDamagedFrame(int64_t now);
    void Answer(int64_t now);
    void Emit(const std::vector<uint8_t>& body);
    void Acknowledge();
    // Acknowledges at once when the peer's window is full, else once the
    // input at hand has been read.
    void AcknowledgeSoon();
    void StartDataPhase(const LinkParameters& agreed);
    void Retransmit(int64_t now);
    void End(uint8_t reason);

    Output m_output;
    LinkOptions m_options;
    Trace m_trace;
    Deframer m_deframer;
    Phase m_phase = Phase::kIdle;

    LinkParameters m_agreed;
    bool m_fixedFields = true;
    size_t m_maxInfo = 64;

    struct Unacknowledged {
        uint8_t sequence;
        std::vector<uint8_t> body;
        size_t dataSize;
    };
    uint8_t m_nextToSend = 1;                // V(S)
    uint8_t m_lastReceived = 0;              // V(R) - 1: the N(R) of our LA
    uint8_t m_credit = 1;                    // N(k) from the peer's last LA
    std::deque<Unacknowledged> m_unacked;    // sent, oldest first, kept to send again
    int64_t m_sentAt = 0;                    // when the oldest of them last went
    int m_sends = 0;                         // how often it went
    std::optional<int64_t> m_resentForLaAt;  // the last sending again an LA asked for
    uint8_t m_takenSinceLa = 0;              // LT frames taken since our last LA
    bool m_laDue = false;
    bool m_duplicateIgnored = false;
    int64_t m_lastNakAt = -kNakIntervalMs;

    ByteQueue m_delivered;
    LinkStats m_stats;
    uint8_t m_disconnectReason = 0;
};

}  // namespace zd::mnp
