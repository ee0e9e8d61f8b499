#include "link/dil/tcp_transport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "link/dil/dil.h"
#include "link/dil/fd_io.h"

namespace zd {
namespace {

int32_t CodeForErrno(int err) {
    switch (err) {
        case EADDRINUSE:
            return kDilErrAddressInUse;
        case EADDRNOTAVAIL:
            return kDilErrBadAddress;
        case EACCES:
        case EPERM:
            return kDilErrPermission;
        default:
            return kDilErrSystem;
    }
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

TcpTransport::TcpTransport(Clock& clock, std::string address, int32_t port, int32_t writeTimeoutMs,
                           Notice notice, Admit admit, Withdrawn withdrawn)
    : m_clock(clock),
      m_address(std::move(address)),
      m_port(port),
      m_writeTimeoutMs(writeTimeoutMs),
      m_notice(std::move(notice)),
      m_admit(std::move(admit)),
      m_withdrawn(std::move(withdrawn)) {}

int32_t TcpTransport::Fail(int32_t code) {
    CloseFd(m_listenFd);
    if (m_notice) {
        m_notice(m_address + ":" + std::to_string(m_port) + ": " + std::string(CD_ErrorText(code)) +
                 ".");
    }
    return code;
}

TcpTransport::~TcpTransport() {
    Close();
}

int32_t TcpTransport::Open() {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(m_port));
    if (m_port < 0 || m_port > 65535 ||
        ::inet_pton(AF_INET, m_address.c_str(), &addr.sin_addr) != 1)
        return Fail(kDilErrBadAddress);

    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) return Fail(CodeForErrno(errno));
    // A restarted program must get its port back at once, not after TIME_WAIT.
    const int on = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listenFd, 1) != 0) {
        return Fail(CodeForErrno(errno));
    }
    return kDilOk;
}

void TcpTransport::Pump(ByteQueue& inbox) {
    if (m_peer == Peer::kNone) TakeWaitingConnection();
    if (m_peer == Peer::kAttached) {
        // Not on every pump: that would cost a system call per frame.
        const int64_t now = m_clock.NowMs();
        if (now >= m_nextTurnAwayMs) {
            TurnAwayLateComers();
            m_nextTurnAwayMs = now + kTurnAwayEveryMs;
        }
        if (!ReadAvailable(m_connFd, inbox)) PeerLeft();  // a close or a reset
    }
}

int TcpTransport::AcceptWaiting(std::string& name) {
    if (m_listenFd < 0) return -1;
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    const int fd = ::accept4(m_listenFd, reinterpret_cast<sockaddr*>(&from), &fromLen,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return -1;  // nobody waiting, or a client that gave up already
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    name = std::string(text) + ":" + std::to_string(ntohs(from.sin_port));
    return fd;
}

void TcpTransport::TakeWaitingConnection() {
    if (m_heldFd >= 0 && HeldCallerLeft()) WithdrawHeldCaller();
    std::string name;
    for (int fd; (fd = AcceptWaiting(name)) >= 0;) {
        const std::string address = name.substr(0, name.rfind(':'));
        // The machine's own Newton (an emulator) is never kept waiting by a
        // stranger the user is being asked about.
        if (IsLoopback(address) || !m_admit) {
            if (m_heldFd >= 0) WithdrawHeldCaller();
            Attach(fd, name);
            return;
        }
        if (m_heldFd >= 0) {
            ::close(fd);
            if (m_notice)
                m_notice("Turned away " + name + ": another Newton is being asked about.");
            continue;
        }
        m_heldFd = fd;
        m_heldName = name;
    }
    if (m_heldFd < 0) return;
    const Admission admission = m_admit(m_heldName.substr(0, m_heldName.rfind(':')));
    if (admission == Admission::kUndecided) return;
    if (admission == Admission::kRefuse) {
        CloseFd(m_heldFd);
        return;
    }
    const int fd = std::exchange(m_heldFd, -1);
    Attach(fd, m_heldName);
}

bool TcpTransport::HeldCallerLeft() const {
    char byte = 0;
    const ssize_t n = ::recv(m_heldFd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

void TcpTransport::WithdrawHeldCaller() {
    CloseFd(m_heldFd);
    if (m_withdrawn) m_withdrawn(m_heldName.substr(0, m_heldName.rfind(':')));
}

void TcpTransport::Attach(int fd, const std::string& name) {
    m_connFd = fd;
    m_peerName = name;
    m_peer = Peer::kAttached;
    // Commands are a few bytes each; do not hold them back for coalescing.
    const int on = 1;
    ::setsockopt(m_connFd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// One Newton per pipe.  The port stays open while it is connected so that a
// second one is told so in the log instead of meeting a silent refusal.
void TcpTransport::TurnAwayLateComers() {
    std::string name;
    for (int fd; (fd = AcceptWaiting(name)) >= 0;) {
        ::close(fd);
        if (m_notice) m_notice("Turned away " + name + ": a Newton is already connected.");
    }
}

void TcpTransport::PeerLeft() {
    CloseFd(m_connFd);
    CloseFd(m_listenFd);  // the pipe has ended; a new listen makes a new one
    m_peer = Peer::kGone;
}

int32_t TcpTransport::Write(const uint8_t* data, size_t size) {
    if (m_peer != Peer::kAttached) return kDilErrNotConnected;
    const int32_t result = WriteFully(m_connFd, true, data, size, m_clock, m_writeTimeoutMs);
    if (result == kDilErrLinkDropped) PeerLeft();
    return result;
}

int32_t TcpTransport::WriteSome(const uint8_t* data, size_t size, size_t* taken) {
    *taken = 0;
    if (m_peer != Peer::kAttached) return kDilErrNotConnected;
    for (;;) {
        const ssize_t n = ::send(m_connFd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            *taken = static_cast<size_t>(n);
            return kDilOk;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return kDilOk;
        PeerLeft();
        return kDilErrLinkDropped;
    }
}

size_t TcpTransport::Unconfirmed() const {
    int queued = 0;
    if (m_connFd < 0 || ::ioctl(m_connFd, SIOCOUTQ, &queued) != 0 || queued < 0) return 0;
    return static_cast<size_t>(queued);
}

void TcpTransport::Wait(int32_t timeoutMs) {
    WaitForInput(m_peer == Peer::kAttached ? m_connFd : m_listenFd, timeoutMs);
}

void TcpTransport::Close() {
    CloseFd(m_heldFd);
    CloseFd(m_connFd);
    CloseFd(m_listenFd);
    if (m_peer == Peer::kAttached) m_peer = Peer::kGone;
}

}  // namespace zd
