// The floor under any stop-and-wait transfer over a pseudo-terminal on this
// machine: two processes that do nothing but pass a full MNP data frame one way
// and its acknowledgement back, as fast as the kernel lets them.  Prints the
// microseconds per round trip, the payload rate it allows and the CPU seconds
// per MiB of the sending side.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kFrameBytes = 263;  // 253 data bytes and the framing around them
constexpr int kAckBytes = 11;
constexpr int kPayloadBytes = 253;
constexpr int kRoundTrips = 4145;  // one MiB

void MakeRaw(int fd) {
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
}

bool ReadExactly(int fd, char* buffer, int count) {
    for (int got = 0; got < count;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0) return false;
        const ssize_t n = ::read(fd, buffer + got, static_cast<size_t>(count - got));
        if (n <= 0) return false;
        got += static_cast<int>(n);
    }
    return true;
}

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("posix_openpt");
        return 1;
    }
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        std::perror("open pty");
        return 1;
    }
    MakeRaw(master);
    MakeRaw(slave);

    char buffer[kFrameBytes] = {};
    const pid_t echo = ::fork();
    if (echo == 0) {
        for (int i = 0; i < kRoundTrips && ReadExactly(slave, buffer, kFrameBytes); ++i)
            if (::write(slave, buffer, kAckBytes) != kAckBytes) break;
        ::_exit(0);
    }
    const double cpuBefore = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRoundTrips; ++i) {
        if (::write(master, buffer, kFrameBytes) != kFrameBytes ||
            !ReadExactly(master, buffer, kAckBytes)) {
            std::fprintf(stderr, "the echoing side stopped after %d round trips\n", i);
            return 1;
        }
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double cpu = CpuSeconds() - cpuBefore;
    ::waitpid(echo, nullptr, 0);

    const double mib = kRoundTrips * kPayloadBytes / 1048576.0;
    std::printf("round trip %.1f us, %.0f bytes/s, %.3f CPU s/MiB\n",
                elapsed.count() / kRoundTrips * 1e6, kRoundTrips * kPayloadBytes / elapsed.count(),
                cpu / mib);
    return 0;
}
