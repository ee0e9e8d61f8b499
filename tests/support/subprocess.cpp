#include "support/subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string_view>
#include <thread>

namespace zd::test {
namespace {

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

Subprocess::Subprocess(const std::vector<std::string>& argv) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC)) return;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    m_in = in[1];
    m_outFd = out[0];
    m_errFd = err[0];
}

Subprocess::~Subprocess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    for (int fd : {m_in, m_outFd, m_errFd})
        if (fd >= 0) ::close(fd);
}

void Subprocess::Write(const std::string& text) {
    if (m_in >= 0) (void)!::write(m_in, text.data(), text.size());
}

void Subprocess::CloseInput() {
    if (m_in >= 0) ::close(m_in);
    m_in = -1;
}

void Subprocess::Signal(int signal) {
    if (m_pid > 0) ::kill(m_pid, signal);
}

bool Subprocess::Collect(int timeoutMs) {
    pollfd fds[2] = {{m_outFd, POLLIN, 0}, {m_errFd, POLLIN, 0}};
    if (m_outFd < 0 && m_errFd < 0) return false;
    if (::poll(fds, 2, timeoutMs) <= 0) return true;
    int* fdsOwned[2] = {&m_outFd, &m_errFd};
    std::string* sinks[2] = {&m_out, &m_err};
    for (int i = 0; i < 2; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char chunk[4096];
        const ssize_t n = ::read(*fdsOwned[i], chunk, sizeof chunk);
        if (n > 0) {
            sinks[i]->append(chunk, static_cast<size_t>(n));
        } else {
            ::close(*fdsOwned[i]);
            *fdsOwned[i] = -1;
        }
    }
    return true;
}

bool Subprocess::WaitFor(const std::string& text, const std::string& stream, int timeoutMs,
                         size_t times) {
    const int64_t deadline = NowMs() + timeoutMs;
    while (CountOf(stream, text) < times) {
        const int64_t left = deadline - NowMs();
        if (left <= 0 || !Collect(static_cast<int>(left))) return CountOf(stream, text) >= times;
    }
    return true;
}

bool Subprocess::WaitForStdout(const std::string& text, int timeoutMs, size_t times) {
    return WaitFor(text, m_out, timeoutMs, times);
}

bool Subprocess::WaitForStderr(const std::string& text, int timeoutMs, size_t times) {
    return WaitFor(text, m_err, timeoutMs, times);
}

bool Subprocess::Ended(int timeoutMs) {
    if (m_pid <= 0) return true;
    const int64_t deadline = NowMs() + timeoutMs;
    int status = 0;
    while (::wait4(m_pid, &status, WNOHANG, &m_usage) != m_pid) {
        if (NowMs() >= deadline) return false;
        Collect(10);
    }
    m_pid = -1;
    // The pipes reach their end soon after the exit; take what is left in them.
    const int64_t drainEnd = NowMs() + 1000;
    while ((m_outFd >= 0 || m_errFd >= 0) && NowMs() < drainEnd) Collect(50);
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

bool Subprocess::RunsFor(int ms) {
    return !Ended(ms);
}

double Subprocess::CpuSeconds() const {
    const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(m_usage.ru_utime) + seconds(m_usage.ru_stime);
}

int Subprocess::WaitForExit(int timeoutMs) {
    if (!Ended(timeoutMs)) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
        m_exitCode = -1;
    }
    return m_exitCode;
}

std::string WaitForSimPty(Subprocess& sim) {
    if (!sim.WaitForStdout("\n")) return {};
    const std::string& out = sim.out();
    constexpr std::string_view kPrefix = "pty: ";
    if (out.rfind(kPrefix, 0) != 0) return {};
    return out.substr(kPrefix.size(), out.find('\n') - kPrefix.size());
}

bool AnswersStatusWithin(Subprocess& program, int timeoutMs) {
    const size_t answered = CountOf(program.err(), "Status view:");
    program.Write("status\n");
    return program.WaitForStderr("Status view:", timeoutMs, answered + 1);
}

size_t CountOf(const std::string& in, const std::string& text) {
    size_t count = 0;
    for (size_t at = in.find(text); at != std::string::npos; at = in.find(text, at + text.size()))
        ++count;
    return count;
}

}  // namespace zd::test
