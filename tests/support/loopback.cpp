#include "support/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace zd::test {
namespace {

sockaddr_in Loopback(int32_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    return addr;
}

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int32_t FreeTcpPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = Loopback(0);
    socklen_t len = sizeof addr;
    int32_t port = -1;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        port = ntohs(addr.sin_port);
    }
    ::close(fd);
    return port;
}

TcpClient::~TcpClient() {
    Close();
}

bool TcpClient::Connect(int32_t port, int timeoutMs) {
    const int64_t deadline = NowMs() + timeoutMs;
    do {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in addr = Loopback(port);
        if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0)
            return true;
        Close();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (NowMs() < deadline);
    return false;
}

bool TcpClient::Send(const std::string& bytes) {
    return m_fd >= 0 && ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
                            static_cast<ssize_t>(bytes.size());
}

size_t TcpClient::Flood(const std::string& chunk, int ms) {
    size_t sent = 0;
    const int64_t deadline = NowMs() + ms;
    for (int64_t left; m_fd >= 0 && (left = deadline - NowMs()) > 0;) {
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
        const ssize_t n = ::send(m_fd, chunk.data(), chunk.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN) break;
        if (n > 0) sent += static_cast<size_t>(n);
    }
    return sent;
}

std::string TcpClient::Receive(size_t count, int timeoutMs) {
    std::string got;
    const int64_t deadline = NowMs() + timeoutMs;
    while (m_fd >= 0 && got.size() < count) {
        const int64_t left = deadline - NowMs();
        pollfd p{m_fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) break;
        char chunk[4096];
        const ssize_t n = ::recv(m_fd, chunk, std::min(sizeof chunk, count - got.size()), 0);
        if (n <= 0) break;
        got.append(chunk, static_cast<size_t>(n));
    }
    return got;
}

bool TcpClient::WaitForClose(int timeoutMs, std::string* rest) {
    const int64_t deadline = NowMs() + timeoutMs;
    while (m_fd >= 0) {
        const int64_t left = deadline - NowMs();
        pollfd p{m_fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) return false;
        char chunk[4096];
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n <= 0) return true;
        if (rest) rest->append(chunk, static_cast<size_t>(n));
    }
    return false;
}

void TcpClient::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

}  // namespace zd::test
