#include "sim_line.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace zd::sim {
namespace {

void MakeRaw(int fd) {
    termios raw{};
    if (::tcgetattr(fd, &raw) != 0) return;
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(fd, TCSANOW, &raw);
}

}  // namespace

SimLine::~SimLine() {
    Close();
}

int64_t SimLine::NowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool SimLine::OpenDevice(const std::string& path, std::string& error) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    MakeRaw(m_fd);
    return true;
}

bool SimLine::CreatePty(std::string& slavePath, std::string& error) {
    m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0 || ::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0) {
        error = std::string("cannot make a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    slavePath = ::ptsname(m_fd);
    // Open and close the slave once: from then on the master reports a hang-up
    // until somebody opens it, which is how WaitForPtyOpened sees the desktop.
    const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave >= 0) {
        MakeRaw(slave);
        ::close(slave);
    }
    m_isPtyMaster = true;
    return true;
}

bool SimLine::WaitForPtyOpened(int timeoutMs) {
    const int64_t deadline = m_clock.NowMs() + timeoutMs;
    while (m_clock.NowMs() < deadline) {
        pollfd p{m_fd, 0, 0};
        ::poll(&p, 1, 0);
        if (!(p.revents & POLLHUP)) {
            // Give the desktop a moment to set the line up and flush it.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool SimLine::ConnectTcp(const std::string& host, int port, int timeoutMs, std::string& error) {
    const int64_t deadline = m_clock.NowMs() + timeoutMs;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) {
        error = "not an IPv4 address: " + host;
        return false;
    }
    do {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
            const int on = 1;
            ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            return true;
        }
        error = host + ":" + std::to_string(port) + ": " + std::strerror(errno);
        Close();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (m_clock.NowMs() < deadline);
    return false;
}

void SimLine::PaceWrite(size_t bytes) {
    if (m_baud <= 0) return;
    // The bytes are on the other side once the line has carried them all.
    const int64_t now = NowUs();
    m_txFreeAtUs = std::max(m_txFreeAtUs, now) + static_cast<int64_t>(bytes) * ByteUs();
    std::this_thread::sleep_for(std::chrono::microseconds(m_txFreeAtUs - now));
}

bool SimLine::Write(const uint8_t* data, size_t size) {
    PaceWrite(size);
    if (m_emulator) return EmulatorWrite(data, size);
    return WriteAll(data, size);
}

bool SimLine::WriteAll(const uint8_t* data, size_t size) {
    while (size > 0 && m_fd >= 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            return false;
        }
    }
    return size == 0;
}

bool SimLine::Read(std::vector<uint8_t>& out, int timeoutMs) {
    if (m_fd < 0) {
        if (!m_emulator) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return true;
    }
    if (m_baud > 0) return PacedRead(out, timeoutMs);
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return true;
    uint8_t chunk[4096];
    const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
    if (n > 0) {
        out.insert(out.end(), chunk, chunk + n);
        return true;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    // A closed socket, or EIO on a master whose slave was closed.
    if (!m_emulator) return false;
    EmulatorLostConnection();
    return true;
}

bool SimLine::TakeArrivals() {
    uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
        if (n > 0) {
            // Behind what is still on its way, or from now on an idle line.
            m_lastDueUs = std::max(m_lastDueUs, NowUs()) + n * ByteUs();
            m_onTheLine.Append(chunk, static_cast<size_t>(n));
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EINTR);
    }
}

bool SimLine::PacedRead(std::vector<uint8_t>& out, int timeoutMs) {
    const int64_t deadline = NowUs() + int64_t{timeoutMs} * 1000;
    for (;;) {
        if (!m_lineGone && !TakeArrivals()) m_lineGone = true;
        // Byte j of those on the line is through at m_lastDueUs - (size-1-j) byte times.
        const int64_t now = NowUs();
        const int64_t pending =
            m_lastDueUs > now ? (m_lastDueUs - now + ByteUs() - 1) / ByteUs() : 0;
        const size_t through = m_onTheLine.size() - std::min<size_t>(m_onTheLine.size(), pending);
        if (through > 0) {
            const size_t at = out.size();
            out.resize(at + through);
            m_onTheLine.Take(out.data() + at, through);
            return true;
        }
        if (m_onTheLine.empty() && m_lineGone) {
            if (!m_emulator) return false;
            m_lineGone = false;
            EmulatorLostConnection();
            return true;
        }
        if (now >= deadline) return true;
        // Until the next byte is through, or something new arrives.
        const int64_t nextUs =
            m_onTheLine.empty() ? deadline : m_lastDueUs - (pending - 1) * ByteUs();
        pollfd p{m_lineGone ? -1 : m_fd, POLLIN, 0};
        ::poll(&p, 1, static_cast<int>((std::min(nextUs, deadline) - now + 999) / 1000));
    }
}

bool SimLine::EmulateSerialPort(const std::string& host, int port, std::string& error) {
    in_addr ignored{};
    if (::inet_pton(AF_INET, host.c_str(), &ignored) != 1) {
        error = "not an IPv4 address: " + host;
        return false;
    }
    m_emulator = true;
    m_emulatorHost = host;
    m_emulatorPort = port;
    return true;
}

bool SimLine::EmulatorWrite(const uint8_t* data, size_t size) {
    if (m_fd < 0) {
        std::string refused;
        if (m_clock.NowMs() < m_pauseUntilMs ||
            !ConnectTcp(m_emulatorHost, m_emulatorPort, 0, refused)) {
            return true;  // the bytes are gone, as on a cable nobody listens to
        }
        const size_t lost = std::min(m_joinOffset, size);
        data += lost;
        size -= lost;
        m_joinOffset = 0;
    }
    if (!WriteAll(data, size)) EmulatorLostConnection();
    return true;
}

void SimLine::EmulatorLostConnection() {
    Close();
    m_pauseUntilMs = m_clock.NowMs() + kEmulatorPauseMs;
    m_joinOffset = kEmulatorJoinOffset;
}

void SimLine::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

}  // namespace zd::sim
