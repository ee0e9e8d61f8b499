#include "base/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace zd {
namespace {

int g_signalPipe[2] = {-1, -1};

void OnQuitSignal(int) {
    const char byte = 'q';
    const int saved = errno;
    (void)!::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

int InstallQuitSignals() {
    if (g_signalPipe[0] >= 0) return g_signalPipe[0];
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return g_signalPipe[0];
}

bool TakeQuitSignals() {
    bool came = false;
    char bytes[16];
    while (g_signalPipe[0] >= 0 && ::read(g_signalPipe[0], bytes, sizeof bytes) > 0) came = true;
    return came;
}

}  // namespace zd
