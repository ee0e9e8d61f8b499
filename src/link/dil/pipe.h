// One connection to a Newton: a transport, the framing on it, the bytes that
// have arrived and not yet been read, and the DIL state they add up to.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/byte_queue.h"
#include "base/clock.h"
#include "link/dil/framing.h"
#include "link/dil/transport.h"
#include "link/mnp/mnp_link.h"

namespace zd {

// How long a network Newton may stay silent before it counts as a plain stream.
inline constexpr int64_t kDetectMs = 300;

struct WaitControl;

class Pipe {
public:
    // `mnp` is how the MNP framing runs, where there is one (its timer and
    // window); every wait answers to `wait`.
    Pipe(std::unique_ptr<Transport> transport, Clock& clock, Notice notice,
         const mnp::LinkOptions& mnp, const WaitControl& wait);
    ~Pipe();

    // Opens the transport: state 3.  Only from a fresh pipe.
    int32_t StartListening();
    // Takes the Newton of state 4, at once: an MNP Newton confirms the link
    // with later pumps.  `*first` says whether this call took it.
    int32_t Accept(bool* first);
    // Moves arrived bytes through the framing and runs its timers.  Never blocks.
    void Pump();
    // The DIL state code, as of the last pump.
    int32_t State() const;
    // Sends to a connected Newton, waiting for the link to take it: up to
    // `patienceMs` without progress, or by default as long as the MNP link
    // takes to give up on a frame by itself.
    int32_t Write(const uint8_t* data, size_t size, int64_t patienceMs = -1);
    // Waits for everything written to be confirmed, up to `timeoutMs`
    // without progress (negative: as long as Write waits by default).
    int32_t Flush(int64_t timeoutMs);
    // Waits for bytes from the Newton for at most `timeoutMs`, and never past
    // the framing's next timer (a lost frame is sent again on time even while
    // the program waits for an answer to it) nor one slice of the wait
    // control, whose hook then runs.  Call Pump() afterwards.
    void Wait(int32_t timeoutMs);
    // Says goodbye where the framing has one and lets go of the Newton: state 2
    // from now on.  What arrived stays readable.
    void Disconnect();
    std::string PeerName() const { return m_transport->PeerName(); }
    // When the line last brought any byte at all (a damaged frame, a
    // retransmission); -1 before the first.
    int64_t lastHeardMs() const { return m_lastHeardMs; }
    // The data bytes the pipe has carried so far, both ways.
    int64_t bytesMoved() const { return m_bytesMoved; }
    int64_t bytesWritten() const { return m_bytesWritten; }
    int64_t bytesConfirmed() const;

    ByteQueue& inbox() { return m_inbox; }

private:
    enum class Phase { kFresh, kOpen, kEnded };

    void ChooseFraming(FramingKind kind);
    // How long the link waits for the Newton to take or confirm anything.
    int64_t Patience() const;
    void DetectFraming(int64_t now);
    void DropACallerThatNeverAsksForALink(int64_t now);

    std::unique_ptr<Transport> m_transport;
    Clock& m_clock;
    Notice m_notice;
    mnp::LinkOptions m_mnp;
    const WaitControl& m_waitControl;
    int64_t m_lastHookMs = 0;
    int64_t m_bytesMoved = 0;
    int64_t m_bytesWritten = 0;
    std::unique_ptr<Framing> m_framing;
    ByteQueue m_wire;   // arrived, not yet through the framing
    ByteQueue m_inbox;  // data for the program
    Phase m_phase = Phase::kFresh;
    int64_t m_attachedAt = -1;
    int64_t m_lastHeardMs = -1;
    bool m_accepted = false;
    bool m_detectedMnp = false;  // MNP chosen for what a network caller sent
};

}  // namespace zd
