// A child program with its three standard streams on pipes, for tests that
// drive the real executable.  Every wait has a limit; the destructor kills a
// child that is still running.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>
#include <string>
#include <vector>

namespace zd::test {

class Subprocess {
public:
    // Starts `argv[0]` with the arguments that follow.
    explicit Subprocess(const std::vector<std::string>& argv);
    ~Subprocess();
    Subprocess(const Subprocess&) = delete;
    Subprocess& operator=(const Subprocess&) = delete;

    bool started() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }
    void Write(const std::string& text);
    void CloseInput();
    void Signal(int signal);

    // Collects output until `text` has appeared `times` times on standard
    // output (or error), or `timeoutMs` passed.
    bool WaitForStdout(const std::string& text, int timeoutMs = 5000, size_t times = 1);
    bool WaitForStderr(const std::string& text, int timeoutMs = 5000, size_t times = 1);

    // Waits for the child to end; its exit code, or -1 if it had to be killed
    // after `timeoutMs` or ended by a signal.  Later calls return the same.
    int WaitForExit(int timeoutMs = 10000);
    // True when the child still runs after `ms`; false once it has ended
    // (WaitForExit then gives its code).
    bool RunsFor(int ms);

    // What the child used, once it has ended: processor time in seconds
    // (user and system), and its largest resident size in MiB.
    double CpuSeconds() const;
    double PeakMiB() const { return static_cast<double>(m_usage.ru_maxrss) / 1024; }

    const std::string& out() const { return m_out; }
    const std::string& err() const { return m_err; }

private:
    // Waits up to `timeoutMs` for the child to end; true when it has.
    bool Ended(int timeoutMs);
    bool WaitFor(const std::string& text, const std::string& stream, int timeoutMs, size_t times);
    // Reads what is there, waiting up to `timeoutMs` for something; false once
    // both streams are closed.
    bool Collect(int timeoutMs);

    pid_t m_pid = -1;
    int m_exitCode = -1;
    int m_in = -1, m_outFd = -1, m_errFd = -1;
    std::string m_out, m_err;
    rusage m_usage{};
};

// The pseudo-terminal newton-sim made ("pty: PATH" on its first line), once
// it has said; "" when it did not within five seconds.
std::string WaitForSimPty(Subprocess& sim);

// Sends the headless program `program` a "status" command; true when its
// answer came within `timeoutMs`, so its loop is not stuck.
bool AnswersStatusWithin(Subprocess& program, int timeoutMs);

// How often `text` occurs in `in`.
size_t CountOf(const std::string& in, const std::string& text);

}  // namespace zd::test
