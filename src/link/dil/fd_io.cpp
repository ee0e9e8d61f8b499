#include "link/dil/fd_io.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "link/dil/dil.h"
#include "link/dil/transport.h"

namespace zd {

bool ReadAvailable(int fd, ByteQueue& inbox) {
    uint8_t chunk[16384];
    for (size_t taken = 0; taken < kMaxPumpBytes;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0) {
            inbox.Append(chunk, static_cast<size_t>(n));
            taken += static_cast<size_t>(n);
            // A short read has emptied the line; asking again would only cost a
            // system call that says so.
            if (static_cast<size_t>(n) < sizeof chunk) return true;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

int32_t WriteFully(int fd, bool socket, const uint8_t* data, size_t size, Clock& clock,
                   int32_t timeoutMs) {
    const int64_t deadline = clock.NowMs() + timeoutMs;
    while (size > 0) {
        const ssize_t n = socket ? ::send(fd, data, size, MSG_NOSIGNAL) : ::write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const int64_t left = deadline - clock.NowMs();
            if (left <= 0) return kDilErrTimeout;
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, static_cast<int>(left));
            continue;
        }
        return kDilErrLinkDropped;
    }
    return kDilOk;
}

void WaitForInput(int fd, int32_t timeoutMs) {
    if (fd < 0) return;
    pollfd p{fd, POLLIN, 0};
    ::poll(&p, 1, timeoutMs);
}

}  // namespace zd
