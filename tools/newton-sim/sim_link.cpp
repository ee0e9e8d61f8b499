#include "sim_link.h"

#include "link/mnp/mnp_trace.h"

#include <chrono>
#include <thread>

namespace zd::sim {

SimLink::SimLink(SimLine& line, Clock& clock, LinkSettings settings, DamageRates damage)
    : m_line(line), m_clock(clock), m_settings(settings), m_damage(damage) {
    if (!settings.mnp) return;
    mnp::LinkOptions options;
    options.role = mnp::Role::kNewton;
    options.maxSendInfo = settings.byteAtATime ? 1 : settings.maxSendInfo;
    options.ignoreFirstDuplicate = true;
    options.retransmitMs = settings.retransmitMs;
    options.window = settings.window;
    m_link = std::make_unique<mnp::MnpLink>(
        [this](const uint8_t* bytes, size_t size) {
            std::vector<uint8_t> frame(bytes, bytes + size);
            if (!m_damage.Apply(frame)) return;
            m_outgoing.insert(m_outgoing.end(), frame.begin(), frame.end());
            // A paced line carries each frame as it comes, so that the
            // other end hears it as soon as the line could bring it.
            if (m_line.paced()) Flush();
        },
        options);
    if (settings.trace) m_link->SetTrace(mnp::HexTrace("sim"));
}

void SimLink::Flush() {
    if (!m_outgoing.empty() && !m_line.Write(m_outgoing.data(), m_outgoing.size())) m_ended = true;
    m_outgoing.clear();
}

void SimLink::Pump(int timeoutMs) {
    std::vector<uint8_t> arrived;
    if (!m_line.Read(arrived, timeoutMs)) m_ended = true;
    if (!m_link) {
        m_plainInbox.Append(arrived.data(), arrived.size());
        return;
    }
    const int64_t now = m_clock.NowMs();
    if (m_damage.active()) {
        std::vector<uint8_t> survived;
        m_damage.ApplyToStream(arrived.data(), arrived.size(), survived);
        arrived.swap(survived);
    }
    m_link->Input(arrived.data(), arrived.size(), now);
    m_link->Poll(now);
    Flush();
    if (m_link->phase() == mnp::MnpLink::Phase::kDisconnected) m_ended = true;
}

bool SimLink::Connect(int timeoutMs) {
    if (!m_link) return true;
    const int64_t deadline = m_clock.NowMs() + timeoutMs;
    m_link->Connect(m_clock.NowMs());
    Flush();
    while (m_link->phase() != mnp::MnpLink::Phase::kConnected) {
        if (m_clock.NowMs() >= deadline || !m_line.open()) return false;
        // A real Newton gives up after a few tries; the simulator keeps
        // calling until its deadline, so the desktop may start later.
        if (m_link->phase() == mnp::MnpLink::Phase::kDisconnected) {
            m_link->Connect(m_clock.NowMs());
            Flush();
            m_ended = false;
        }
        Pump(20);
    }
    m_ended = false;
    return true;
}

bool SimLink::Send(const std::string& bytes, int timeoutMs) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (!m_link) {
        m_bytesSent += bytes.size();
        if (!m_settings.byteAtATime) return m_line.Write(data, bytes.size());
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (!m_line.Write(data + i, 1)) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    size_t sent = 0;
    int64_t deadline = m_clock.NowMs() + timeoutMs;
    while (sent < bytes.size() || !m_link->AllAcknowledged()) {
        if (m_ended || m_clock.NowMs() >= deadline) return false;
        if (sent < bytes.size() && m_link->CanSend()) {
            // As much as the window allows in one write; on a paced line a
            // frame at a time, with the acknowledgements heard in between.
            do {
                sent += m_link->Send(data + sent, bytes.size() - sent, m_clock.NowMs());
            } while (!m_line.paced() && sent < bytes.size() && m_link->CanSend());
            Flush();
            deadline = m_clock.NowMs() + timeoutMs;
        }
        // A look without waiting only while there is more to send now; a
        // wait for the last acknowledgement must not spin.
        Pump(sent < bytes.size() && m_link->CanSend() ? 0 : 10);
    }
    m_bytesSent += bytes.size();
    return true;
}

bool SimLink::TakeDelivered(std::string& out, size_t count) {
    ByteQueue& inbox = m_link ? m_link->delivered() : m_plainInbox;
    const size_t take = std::min(count, inbox.size());
    const size_t at = out.size();
    out.resize(at + take);
    inbox.Take(reinterpret_cast<uint8_t*>(out.data() + at), take);
    m_bytesReceived += take;
    return take == count;
}

bool SimLink::Receive(std::string& out, size_t count, int timeoutMs) {
    int64_t deadline = m_clock.NowMs() + timeoutMs;
    size_t wanted = count;
    for (;;) {
        const size_t before = out.size();
        if (TakeDelivered(out, wanted)) return true;
        wanted -= out.size() - before;
        if (out.size() != before) deadline = m_clock.NowMs() + timeoutMs;
        if (m_ended || m_clock.NowMs() >= deadline) return false;
        Pump(10);
    }
}

bool SimLink::ReceiveUntil(std::string& out, char end, int timeoutMs) {
    const int64_t deadline = m_clock.NowMs() + timeoutMs;
    for (;;) {
        ByteQueue& inbox = m_link ? m_link->delivered() : m_plainInbox;
        while (!inbox.empty()) {
            uint8_t byte = 0;
            inbox.Take(&byte, 1);
            ++m_bytesReceived;
            out.push_back(static_cast<char>(byte));
            if (static_cast<char>(byte) == end) return true;
        }
        if (m_ended || m_clock.NowMs() >= deadline) return false;
        Pump(10);
    }
}

bool SimLink::WaitForEnd(int timeoutMs) {
    const int64_t deadline = m_clock.NowMs() + timeoutMs;
    while (!m_ended) {
        if (m_clock.NowMs() >= deadline) return false;
        Pump(10);
        // Whatever else arrives is taken, so the desktop is never kept waiting.
        std::string ignored;
        TakeDelivered(ignored, SIZE_MAX);
    }
    return true;
}

void SimLink::Close() {
    if (m_link && !m_ended) m_link->Disconnect();
    Flush();
    m_ended = true;
    m_line.Close();
}

std::string SimLink::Summary() const {
    std::string text = "newton-sim: sent " + std::to_string(m_bytesSent) + " bytes, received " +
                       std::to_string(m_bytesReceived) + " bytes";
    if (m_link) {
        const mnp::LinkStats& stats = m_link->stats();
        text += ", retransmissions " + std::to_string(stats.retransmissions) + ", damaged frames " +
                std::to_string(stats.damagedFrames) + ", duplicates " +
                std::to_string(stats.duplicates) +
                "; line damage: " + std::to_string(m_damage.corrupted()) + " corrupted, " +
                std::to_string(m_damage.dropped()) + " dropped";
    }
    return text;
}

}  // namespace zd::sim
