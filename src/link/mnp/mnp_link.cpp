#include "link/mnp/mnp_link.h"

#include <algorithm>

namespace zd::mnp {
namespace {

// What each end offers in its LR, but for the window.
LinkParameters Offer(uint8_t window) {
    return LinkParameters{window, 64, kOptLargeInfo | kOptFixedFields};
}

// The Newton retries its LR this often before it gives up.
constexpr int kMaxRequestSends = 4;

}  // namespace

MnpLink::MnpLink(Output output, LinkOptions options)
    : m_output(std::move(output)), m_options(options) {
    m_options.window = std::clamp<uint8_t>(m_options.window, 1, kMaxWindow);
}

void MnpLink::Emit(const std::vector<uint8_t>& body) {
    if (m_trace) m_trace(true, body);
    std::vector<uint8_t> wire;
    wire.reserve(body.size() + 16);
    AppendFrame(body, wire);
    ++m_stats.framesSent;
    m_output(wire.data(), wire.size());
}

void MnpLink::Input(const uint8_t* bytes, size_t size, int64_t now) {
    for (size_t i = 0; i < size && m_phase != Phase::kDisconnected;) {
        const uint64_t droppedBefore = m_deframer.dropped();
        bool complete = false;
        i += m_deframer.Push(bytes + i, size - i, &complete);
        if (complete) {
            ++m_stats.framesReceived;
            if (m_trace) m_trace(false, m_deframer.body());
            OnFrame(m_deframer.body(), now);
        }
        if (m_deframer.dropped() != droppedBefore) OnDamagedFrame(now);
    }
    // What came has been read: the line is idle for us now.
    if (m_laDue && m_phase == Phase::kConnected) Acknowledge();
}

void MnpLink::OnFrame(const std::vector<uint8_t>& body, int64_t now) {
    switch (TypeOf(body)) {
        case kLr:
            OnLinkRequest(body, now);
            break;
        case kLd:
            m_phase = Phase::kDisconnected;
            m_disconnectReason = LdReason(body);
            break;
        case kLt:
            // An LT while we wait for the LA of our LR: that LA was lost, the
            // Newton is in the data phase already.
            if (m_phase == Phase::kAwaitingAck) StartDataPhase(m_agreed);
            if (m_phase == Phase::kConnected) OnTransfer(body);
            break;
        case kLa:
            OnAcknowledge(body, now);
            break;
        default:
            break;  // LN, LNA: attention signals nobody uses
    }
}

void MnpLink::OnLinkRequest(const std::vector<uint8_t>& body, int64_t now) {
    LinkParameters offer;
    if (const uint8_t refusal = ParseLinkRequest(body, offer); refusal != 0) {
        // Refused: say why and wait for a better one.
        Emit(LdBody(refusal));
        return;
    }
    if (m_options.role == Role::kNewton) {
        if (m_phase != Phase::kAwaitingReply) return;
        StartDataPhase(Agree(Offer(m_options.window), offer));
        Emit(LaBody(0, m_agreed.window, m_fixedFields));
        return;
    }
    // Desktop: a repeated LR means our answer or its LA was lost; start over.
    m_agreed = Agree(Offer(m_options.window), offer);
    if (m_phase == Phase::kIdle || m_phase == Phase::kRequested) {
        m_phase = Phase::kRequested;
    } else {
        Answer(now);
    }
}

bool MnpLink::Accept(int64_t now) {
    if (m_phase != Phase::kRequested) return false;
    Answer(now);
    return true;
}

void MnpLink::Answer(int64_t now) {
    m_phase = Phase::kAwaitingAck;
    m_unacked.clear();
    m_sentAt = now;
    Emit(DesktopLinkRequest(m_agreed.window));
}

void MnpLink::Connect(int64_t now) {
    m_phase = Phase::kAwaitingReply;
    m_sentAt = now;
    m_sends = 1;
    Emit(NewtonLinkRequest(m_options.window));
}

void MnpLink::StartDataPhase(const LinkParameters& agreed) {
    m_agreed = agreed;
    m_fixedFields = (agreed.optimisation & kOptFixedFields) != 0;
    m_maxInfo = (agreed.optimisation & kOptLargeInfo) ? m_options.maxSendInfo
                                                      : std::min<size_t>(agreed.maxInfo, 64);
    m_nextToSend = 1;
    m_lastReceived = 0;
    m_credit = agreed.window;
    m_unacked.clear();
    m_sends = 0;
    m_resentForLaAt.reset();
    m_takenSinceLa = 0;
    m_laDue = false;
    m_duplicateIgnored = false;
    m_phase = Phase::kConnected;
}

void MnpLink::Acknowledge() {
    m_takenSinceLa = 0;
    m_laDue = false;
    Emit(LaBody(m_lastReceived, m_agreed.window, m_fixedFields));
}

void MnpLink::AcknowledgeSoon() {
    // A peer whose window is full waits for this LA; with a window of one,
    // that is every time.
    if (m_takenSinceLa >= m_agreed.window) return Acknowledge();
    m_laDue = true;
}

void MnpLink::OnTransfer(const std::vector<uint8_t>& body) {
    const auto transfer = ParseLt(body);
    if (!transfer) return;
    const uint8_t expected = static_cast<uint8_t>(m_lastReceived + 1);
    if (transfer->sequence == expected) {
        m_delivered.Append(body.data() + transfer->infoOffset, body.size() - transfer->infoOffset);
        m_lastReceived = expected;
        m_duplicateIgnored = false;
        ++m_takenSinceLa;
        AcknowledgeSoon();
        return;
    }
    if (transfer->sequence == m_lastReceived) {
        // Our LA was lost: confirm again, deliver nothing twice.
        ++m_stats.duplicates;
        if (m_options.ignoreFirstDuplicate && !m_duplicateIgnored) {
            m_duplicateIgnored = true;
            return;
        }
    } else {
        // An earlier one again, or one after a frame that was lost: the LA
        // names the last one taken, and the peer sends again from there.
        ++m_stats.outOfSequence;
    }
    Acknowledge();  // at once: the peer needs to hear it
}

void MnpLink::OnAcknowledge(const std::vector<uint8_t>& body, int64_t now) {
    const auto ack = ParseLa(body);
    if (!ack) return;
    if (m_phase == Phase::kAwaitingAck) {
        StartDataPhase(m_agreed);
        m_credit = ack->credit;
        return;
    }
    if (m_phase != Phase::kConnected) return;
    m_credit = ack->credit;
    if (m_unacked.empty()) {
        // With a window the Newton says LA now and then while it waits; it
        // hears one back.
        if (m_options.role == Role::kDesktop && m_agreed.window > 1) Acknowledge();
        return;
    }
    // Everything up to N(R) has arrived.
    const size_t confirmed = static_cast<uint8_t>(ack->received - m_unacked.front().sequence + 1);
    if (confirmed >= 1 && confirmed <= m_unacked.size()) {
        m_unacked.erase(m_unacked.begin(), m_unacked.begin() + static_cast<ptrdiff_t>(confirmed));
        m_sentAt = now;
        m_sends = 1;
        return;
    }
    if (ack->received != static_cast<uint8_t>(m_unacked.front().sequence - 1)) return;
    // Nothing new: the peer lost the oldest frame and asks for it again.  The
    // frames still on their way after it bring more such LAs, which the
    // sending again already answers.
    const int64_t settleMs = m_agreed.window > 1 ? m_options.retransmitMs / 4 : 0;
    if (m_resentForLaAt && now - *m_resentForLaAt < settleMs) return;
    m_resentForLaAt = now;
    Retransmit(now);
}

void MnpLink::OnDamagedFrame(int64_t now) {
    ++m_stats.damagedFrames;
    if (m_phase != Phase::kConnected || now - m_lastNakAt < kNakIntervalMs) return;
    m_lastNakAt = now;
    Acknowledge();
}

bool MnpLink::CanSend() const {
    const size_t allowed = std::min(m_agreed.window, m_credit);
    return m_phase == Phase::kConnected && m_unacked.size() < allowed;
}

size_t MnpLink::UnacknowledgedBytes() const {
    size_t bytes = 0;
    for (const Unacknowledged& frame : m_unacked) bytes += frame.dataSize;
    return bytes;
}

size_t MnpLink::Send(const uint8_t* data, size_t size, int64_t now) {
    const size_t count = std::min(size, m_maxInfo);
    if (m_unacked.empty()) {
        m_sends = 1;
        m_sentAt = now;
    }
    m_unacked.push_back({m_nextToSend, LtBody(m_nextToSend, data, count, m_fixedFields), count});
    ++m_nextToSend;
    Emit(m_unacked.back().body);
    return count;
}

void MnpLink::Retransmit(int64_t now) {
    if (m_sends >= kMaxSends) {
        Emit(LdBody(kLdUserDisconnect));
        End(kLdUserDisconnect);
        return;
    }
    ++m_sends;
    m_sentAt = now;
    // From the oldest on: the peer has taken none after the one it lacks.
    for (const Unacknowledged& frame : m_unacked) {
        ++m_stats.retransmissions;
        Emit(frame.body);
    }
}

void MnpLink::Poll(int64_t now) {
    if (now - m_sentAt < m_options.retransmitMs) return;
    switch (m_phase) {
        case Phase::kConnected:
            if (!m_unacked.empty()) Retransmit(now);
            break;
        case Phase::kAwaitingAck:
            // Silence after our answer: the Newton's LA was lost and it waits,
            // in the data phase, for us to speak.
            StartDataPhase(m_agreed);
            break;
        case Phase::kAwaitingReply:
            if (m_sends >= kMaxRequestSends) {
                End(kLdNoRequest);
                break;
            }
            ++m_sends;
            m_sentAt = now;
            Emit(NewtonLinkRequest(m_options.window));
            break;
        default:
            break;
    }
}

int64_t MnpLink::NextTimerAt() const {
    const bool timing = (m_phase == Phase::kConnected && !m_unacked.empty()) ||
                        m_phase == Phase::kAwaitingAck || m_phase == Phase::kAwaitingReply;
    return timing ? m_sentAt + m_options.retransmitMs : INT64_MAX;
}

void MnpLink::Disconnect() {
    if (m_phase == Phase::kDisconnected) return;
    if (m_phase != Phase::kIdle) Emit(LdBody(kLdUserDisconnect));
    End(kLdUserDisconnect);
}

void MnpLink::End(uint8_t reason) {
    m_phase = Phase::kDisconnected;
    m_disconnectReason = reason;
    m_unacked.clear();
}

}  // namespace zd::mnp
