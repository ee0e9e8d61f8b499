// Loopback TCP for tests: a port nobody listens on, and a client that plays a
// network Newton with bounded waits.
#pragma once

#include <cstdint>
#include <string>

namespace zd::test {

// A TCP port on 127.0.0.1 that nothing listens on right now.
int32_t FreeTcpPort();

class TcpClient {
public:
    TcpClient() = default;
    ~TcpClient();
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // Connects to 127.0.0.1:port, retrying until `timeoutMs` passed.
    bool Connect(int32_t port, int timeoutMs = 5000);
    bool Send(const std::string& bytes);
    // Sends `chunk` again and again for `ms` milliseconds, or until the server
    // closes or stops reading; the number of bytes that went.
    size_t Flood(const std::string& chunk, int ms);
    // Reads until `count` bytes have arrived, the server closes, or `timeoutMs`
    // passed; returns what arrived.
    std::string Receive(size_t count, int timeoutMs = 5000);
    // True once the server has closed the connection (within `timeoutMs`);
    // whatever arrives before the close is appended to `rest`.
    bool WaitForClose(int timeoutMs, std::string* rest = nullptr);
    void Close();

private:
    int m_fd = -1;
};

}  // namespace zd::test
