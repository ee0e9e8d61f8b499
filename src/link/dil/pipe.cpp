#include "link/dil/pipe.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "link/dil/dil.h"
#include "link/dil/mnp_framing.h"
#include "link/dil/stream_framing.h"
#include "link/mnp/mnp_link.h"

namespace zd {
Pipe::Pipe(std::unique_ptr<Transport> transport, Clock& clock, Notice notice,
           const mnp::LinkOptions& mnp, const WaitControl& wait)
    : m_transport(std::move(transport)),
      m_clock(clock),
      m_notice(std::move(notice)),
      m_mnp(mnp),
      m_waitControl(wait) {}

Pipe::~Pipe() {
    m_transport->Close();
}

void Pipe::ChooseFraming(FramingKind kind) {
    if (kind == FramingKind::kMnp) {
        m_framing = std::make_unique<MnpFraming>(*m_transport, m_mnp);
    } else {
        m_framing = std::make_unique<StreamFraming>(*m_transport);
    }
}

int32_t Pipe::StartListening() {
    if (m_phase != Phase::kFresh) return kDilErrWrongState;
    const int32_t result = m_transport->Open();
    if (result != kDilOk) return result;
    m_phase = Phase::kOpen;
    if (m_transport->framing() != FramingKind::kDetect) ChooseFraming(m_transport->framing());
    return kDilOk;
}

void Pipe::DetectFraming(int64_t now) {
    if (m_attachedAt < 0) m_attachedAt = now;
    // A network Newton's companion package says nothing before our greeting,
    // and its Connection application begins with a Dock message; any other
    // byte is an emulator's serial port, which may have joined in the middle
    // of a frame: the MNP deframer hunts for the start of the next one.
    constexpr std::string_view kDock = "newtdock";
    const size_t seen = std::min(m_wire.size(), kDock.size());
    bool dock = true;
    for (size_t i = 0; i < seen; ++i)
        dock = dock && m_wire.data()[i] == static_cast<uint8_t>(kDock[i]);
    const bool undecided = m_wire.empty() || (dock && seen < kDock.size());
    if (undecided && now - m_attachedAt < kDetectMs) return;
    const bool speaksMnp = !m_wire.empty() && !(dock && seen == kDock.size());
    ChooseFraming(speaksMnp ? FramingKind::kMnp : FramingKind::kStream);
    m_detectedMnp = speaksMnp;
    if (m_notice) {
        m_notice(speaksMnp ? "The Newton speaks MNP (an emulator's serial port)."
                           : "The Newton sends a plain stream.");
    }
}

void Pipe::DropACallerThatNeverAsksForALink(int64_t now) {
    // It would hold the port for good: it has as long as the link itself
    // takes to give up on a frame.
    const int64_t limitMs = m_mnp.retransmitMs * mnp::kMaxSends;
    if (!m_detectedMnp || m_framing->State() != kStateListening || now - m_attachedAt < limitMs)
        return;
    if (m_notice) {
        m_notice("No link request came from " + PeerName() + " in " +
                 std::to_string(limitMs / 1000) + " s; the connection is closed.");
    }
    m_transport->Close();
    m_detectedMnp = false;
}

void Pipe::Pump() {
    if (m_phase != Phase::kOpen) return;
    const size_t before = m_wire.size();
    m_transport->Pump(m_wire);
    const int64_t now = m_clock.NowMs();
    if (m_wire.size() != before) m_lastHeardMs = now;
    if (!m_framing && m_transport->peer() == Peer::kAttached) DetectFraming(now);
    if (!m_framing) return;
    if (!m_wire.empty()) {
        const size_t before = m_inbox.size();
        m_framing->Input(m_wire, m_inbox, now);
        m_bytesMoved += static_cast<int64_t>(m_inbox.size() - before);
    }
    m_framing->Poll(now);
    DropACallerThatNeverAsksForALink(now);
}

void Pipe::Wait(int32_t timeoutMs) {
    if (m_waitControl.cancelled) return;
    int64_t wait = std::min<int64_t>(timeoutMs, kWaitSliceMs);
    if (m_framing) wait = std::clamp<int64_t>(m_framing->NextTimerAt() - m_clock.NowMs(), 0, wait);
    m_transport->Wait(static_cast<int32_t>(wait));
    // A transfer waits for every frame's acknowledgement: the hook runs once a
    // slice, not once a frame.
    const int64_t now = m_clock.NowMs();
    if (m_waitControl.hook && now - m_lastHookMs >= kWaitSliceMs) {
        m_lastHookMs = now;
        m_waitControl.hook();
    }
}

int32_t Pipe::State() const {
    if (m_phase != Phase::kOpen) return kStateDisconnected;
    switch (m_transport->peer()) {
        case Peer::kGone:
            return kStateDisconnected;
        case Peer::kNone:
            return kStateListening;
        case Peer::kAttached:
            return m_framing ? m_framing->State() : kStateListening;
    }
    return kStateUnknown;
}

int32_t Pipe::Accept(bool* first) {
    Pump();
    *first = false;
    const int32_t state = State();
    if (state == kStateConnected) return kDilOk;
    if (state != kStateConnectPending) return kDilErrWrongState;
    // The Newton's confirmation comes with later pumps; nobody waits for it.
    if (!m_accepted) {
        m_framing->Accept(m_clock.NowMs());
        m_accepted = *first = true;
    }
    return kDilOk;
}

int64_t Pipe::Patience() const {
    return m_mnp.retransmitMs * (mnp::kMaxSends + 1);
}

int32_t Pipe::Write(const uint8_t* data, size_t size, int64_t patienceMs) {
    Pump();
    if (State() != kStateConnected) {
        return m_framing && m_transport->peer() != Peer::kNone ? kDilErrLinkDropped
                                                               : kDilErrNotConnected;
    }
    // No progress for longer than the MNP link takes to give up on a frame by
    // itself: the Newton withholds credit for good.
    if (patienceMs < 0) patienceMs = Patience();
    int64_t deadline = m_clock.NowMs() + patienceMs;
    while (size > 0) {
        size_t taken = 0;
        const int32_t result = m_framing->Send(data, size, &taken, m_clock.NowMs());
        if (result != kDilOk) return result;
        if (taken > 0) {
            m_bytesMoved += static_cast<int64_t>(taken);
            m_bytesWritten += static_cast<int64_t>(taken);
            data += taken;
            size -= taken;
            deadline = m_clock.NowMs() + patienceMs;
            continue;
        }
        const int64_t left = deadline - m_clock.NowMs();
        if (left <= 0) return kDilErrTimeout;
        if (m_waitControl.cancelled) return kDilErrCancelled;
        Wait(static_cast<int32_t>(left));
        Pump();
        if (State() != kStateConnected) return kDilErrLinkDropped;
    }
    return kDilOk;
}

int64_t Pipe::bytesConfirmed() const {
    if (!m_framing) return m_bytesWritten;
    return m_bytesWritten - static_cast<int64_t>(m_framing->Unconfirmed());
}

int32_t Pipe::Flush(int64_t timeoutMs) {
    if (timeoutMs < 0) timeoutMs = Patience();
    int64_t deadline = m_clock.NowMs() + timeoutMs;
    size_t unconfirmed = SIZE_MAX;
    for (;;) {
        Pump();
        if (State() != kStateConnected) return kDilErrLinkDropped;
        if (m_framing->Settled()) return kDilOk;
        // A slow line confirms a little at a time; only a Newton that
        // confirms nothing for the whole time has stopped reading.
        if (m_framing->Unconfirmed() < unconfirmed) {
            unconfirmed = m_framing->Unconfirmed();
            deadline = m_clock.NowMs() + timeoutMs;
        }
        if (m_waitControl.cancelled) return kDilErrCancelled;
        const int64_t left = deadline - m_clock.NowMs();
        if (left <= 0) return kDilErrTimeout;
        Wait(static_cast<int32_t>(left));
    }
}

void Pipe::Disconnect() {
    Pump();  // what reached us before the end stays readable
    // The last frame written may still wait for its confirmation; give it the
    // time of one retransmission before the goodbye cuts it off, but only
    // while the Newton still talks: a silent one has had its chance.
    const int64_t now = m_clock.NowMs();
    const bool talking = m_lastHeardMs >= 0 && now - m_lastHeardMs < m_mnp.retransmitMs;
    const int64_t deadline = now + (talking ? m_mnp.retransmitMs : 0);
    while (State() == kStateConnected && !m_framing->Settled() && !m_waitControl.cancelled) {
        const int64_t left = deadline - m_clock.NowMs();
        if (left <= 0) break;
        Wait(static_cast<int32_t>(left));
        Pump();
    }
    if (m_framing && m_phase == Phase::kOpen && m_transport->peer() == Peer::kAttached)
        m_framing->Close();
    m_transport->Close();
    m_phase = Phase::kEnded;
}

}  // namespace zd
