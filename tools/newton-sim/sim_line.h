// The simulator's end of the wire: a serial device, a pseudo-terminal it makes
// itself, or a TCP connection to the desktop.  Writes can be paced to a line
// rate; reads wait with a deadline.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/clock.h"

namespace zd::sim {

class SimLine {
public:
    explicit SimLine(Clock& clock) : m_clock(clock) {}
    ~SimLine();
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    // Opens an existing device or pseudo-terminal.
    bool OpenDevice(const std::string& path, std::string& error);
    // Makes a pseudo-terminal pair and keeps the master; `slavePath` is where
    // the desktop opens it.
    bool CreatePty(std::string& slavePath, std::string& error);
    // Waits until the desktop has the pseudo-terminal open.
    bool WaitForPtyOpened(int timeoutMs);
    // Connects to host:port, retrying until `timeoutMs` passed.
    bool ConnectTcp(const std::string& host, int port, int timeoutMs, std::string& error);

    // Paces writes (and reads) to `baud` bits per second, 10 bits a byte: a
    // chunk is through when the line could have carried it.  0: no pacing.
    void SetBaud(int baud) { m_baud = baud; }

    // Writes all bytes; false once the line is gone.
    bool Write(const uint8_t* data, size_t size);
    // Appends what arrives within `timeoutMs` (at least one byte unless the
    // time runs out); false once the line is gone and nothing is left.
    bool Read(std::vector<uint8_t>& out, int timeoutMs);
    void Close();

    bool open() const { return m_fd >= 0; }

private:
    void PaceFor(size_t bytes, int64_t& freeAtUs);
    int64_t NowUs();

    Clock& m_clock;
    int m_fd = -1;
    bool m_isPtyMaster = false;
    int m_baud = 0;
    int64_t m_txFreeAtUs = 0;
    int64_t m_rxFreeAtUs = 0;
};

}  // namespace zd::sim
