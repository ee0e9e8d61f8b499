// newton-sim started by a benchmark program on a pseudo-terminal, and the
// window's event loop run meanwhile.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
#include <string>
#include <vector>

namespace zd::bench {

struct Newton {
    pid_t pid = -1;
    std::string pty;
};

// newton-sim at `sim` on a new pseudo-terminal with `args`; it names its
// device on its first line, "pty: PATH".
inline Newton StartNewton(const char* sim, const std::vector<std::string>& args) {
    int out[2];
    if (::pipe(out) != 0) return {};
    Newton newton;
    newton.pid = ::fork();
    if (newton.pid == 0) {
        std::vector<char*> argv{const_cast<char*>(sim), const_cast<char*>("--pty")};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::dup2(out[1], STDOUT_FILENO);
        ::execv(sim, argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n') newton.pty += c;
    ::close(out[0]);
    newton.pty.erase(0, newton.pty.find('/'));
    return newton;
}

inline void Stop(const Newton& newton, int signal = SIGKILL) {
    ::kill(newton.pid, signal);
    ::waitpid(newton.pid, nullptr, 0);
}

// Runs the event loop until `done`, or for `limitMs` at most.
inline void RunUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace zd::bench
