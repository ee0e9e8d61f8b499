// The Newton's end of the link, over MNP frames or a plain stream, with
// blocking operations that each give up after a deadline.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/byte_queue.h"
#include "base/clock.h"
#include "line_damage.h"
#include "link/mnp/mnp_link.h"
#include "sim_line.h"

namespace zd::sim {

struct LinkSettings {
    bool mnp = true;
    int64_t retransmitMs = mnp::kRetransmitMs;
    size_t maxSendInfo = 256;
    bool trace = false;
    bool byteAtATime = false;          // every byte in a frame (or a write) of its own
    uint8_t window = mnp::kMaxWindow;  // offered in the LR, as a real Newton does
};

class SimLink {
public:
    SimLink(SimLine& line, Clock& clock, LinkSettings settings, DamageRates damage);

    // MNP: sends the link request until the desktop answers.
    bool Connect(int timeoutMs);
    // Sends all bytes; MNP waits for each frame's acknowledgement.
    bool Send(const std::string& bytes, int timeoutMs);
    // Takes `count` bytes as they arrive.
    bool Receive(std::string& out, size_t count, int timeoutMs);
    // Takes bytes up to and including `end`.
    bool ReceiveUntil(std::string& out, char end, int timeoutMs);
    // Waits for the desktop to end the link (LD or the line closing).
    bool WaitForEnd(int timeoutMs);
    // Ends the link from this side (MNP: LD) and lets go of the line.
    void Close();

    bool ended() const { return m_ended; }
    std::string Summary() const;

private:
    // Reads the line once (up to `timeoutMs`) and runs the link's timers.
    void Pump(int timeoutMs);
    bool TakeDelivered(std::string& out, size_t count);
    // Writes what the link said since the last flush, in one write.
    void Flush();

    SimLine& m_line;
    Clock& m_clock;
    LinkSettings m_settings;
    LineDamage m_damage;
    std::unique_ptr<mnp::MnpLink> m_link;
    ByteQueue m_plainInbox;
    std::vector<uint8_t> m_outgoing;
    bool m_ended = false;
    uint64_t m_bytesSent = 0;
    uint64_t m_bytesReceived = 0;
};

}  // namespace zd::sim
