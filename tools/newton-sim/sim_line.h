// The simulator's end of the wire: a serial device, a pseudo-terminal it makes
// itself, a TCP connection to the desktop, or a Newton emulator's TCP serial
// port.  Writes can be paced to a line rate; reads wait with a deadline.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_queue.h"
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
    // Plays an emulator's serial port on TCP, as the Einstein emulator has it:
    // it connects to host:port only when it has a byte to send (dropping the
    // bytes while nobody listens), never closes its side, and once the
    // desktop has closed the connection it drops what it sends for
    // kEmulatorPauseMs; the connection after the pause starts
    // kEmulatorJoinOffset bytes into the frame it was made for.
    bool EmulateSerialPort(const std::string& host, int port, std::string& error);

    // Paces the line to `baud` bits per second each way, 10 bits a byte: a
    // write returns once the line could have carried it, and what arrives is
    // read out only as fast as the line brings it, whatever the writes do
    // meanwhile (a full-duplex line).  0: no pacing.
    void SetBaud(int baud) { m_baud = baud; }

    // Writes all bytes; false once the line is gone.
    bool Write(const uint8_t* data, size_t size);
    // Appends what arrives within `timeoutMs` (at least one byte unless the
    // time runs out); false once the line is gone and nothing is left.
    bool Read(std::vector<uint8_t>& out, int timeoutMs);
    void Close();

    // An emulator's serial port is always there, connected or not.
    bool open() const { return m_fd >= 0 || m_emulator; }
    bool paced() const { return m_baud > 0; }

private:
    void PaceWrite(size_t bytes);
    // Read() on a paced line: takes what the descriptor has, hands out what
    // the line has brought by now.
    bool PacedRead(std::vector<uint8_t>& out, int timeoutMs);
    // Moves what the descriptor has behind what is still on its way; false
    // once the line is gone.
    bool TakeArrivals();
    int64_t ByteUs() const { return 10'000'000 / m_baud; }
    bool WriteAll(const uint8_t* data, size_t size);
    // The emulator's side of a write: connects, or drops the bytes.
    bool EmulatorWrite(const uint8_t* data, size_t size);
    void EmulatorLostConnection();
    int64_t NowUs();

    Clock& m_clock;
    int m_fd = -1;
    bool m_isPtyMaster = false;
    int m_baud = 0;
    int64_t m_txFreeAtUs = 0;
    ByteQueue m_onTheLine;    // arrived from the descriptor, not yet through the line
    int64_t m_lastDueUs = 0;  // when the last of them is through
    bool m_lineGone = false;
    bool m_emulator = false;
    std::string m_emulatorHost;
    int m_emulatorPort = 0;
    int64_t m_pauseUntilMs = 0;
    size_t m_joinOffset = 0;  // bytes of the next connection's first write that are lost
};

inline constexpr int64_t kEmulatorPauseMs = 3000;
inline constexpr size_t kEmulatorJoinOffset = 11;

}  // namespace zd::sim
