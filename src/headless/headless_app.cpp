#include "headless/headless_app.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include "base/core.h"
#include "base/display_ops.h"
#include "base/front_end.h"
#include "base/prefs_keys.h"
#include "headless/console_display.h"
#include "link/link_manager.h"
#include "link/poll_tick.h"

namespace zd {
namespace {

// Written by the signal handler, read by the loop's poll: a signal that lands
// outside the poll still wakes the next one.
int g_signalPipe[2] = {-1, -1};

void OnQuitSignal(int) {
    const char byte = 'q';
    const int saved = errno;
    (void)!::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

void InstallSignalHandlers() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // A closed standard output must not kill the program in the middle of a
    // transfer.
    std::signal(SIGPIPE, SIG_IGN);
}

// Without a window there is nothing to resize; the view's state lives on in the
// preference, as the window keeps it.
class ConsoleFrontEnd final : public FrontEnd {
public:
    explicit ConsoleFrontEnd(PrefsStore& prefs) : m_prefs(prefs) {}

    void ToggleStatusView() override {
        int32_t status = 0;
        const bool open = m_prefs.GetPrefInt(status, prefs::kStatus) == 0;
        m_prefs.SetPrefInt(open ? 1 : 0, prefs::kStatus);
        std::fprintf(stderr, "Status view: %s\n", open ? "open" : "closed");
    }

private:
    PrefsStore& m_prefs;
};

std::string Trim(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

class HeadlessLoop {
public:
    explicit HeadlessLoop(Session& s) : m_session(s) {}

    int Run() {
        StartLink(m_session);
        int64_t nextTick = Now();
        while (!m_quit) {
            WaitForInput(nextTick - Now());
            if (m_quit) break;
            if (Now() >= nextTick) {
                PollTick(m_session);
                nextTick += kPollPeriodMs;
                // After a long operation, tick again soon instead of catching up.
                if (nextTick < Now()) nextTick = Now() + kPollPeriodMs;
            }
        }
        StopLink(m_session);
        return 0;
    }

private:
    int64_t Now() { return m_session.svc.clock.NowMs(); }

    void WaitForInput(int64_t timeoutMs) {
        pollfd fds[2] = {{m_stdinOpen ? STDIN_FILENO : -1, POLLIN, 0},
                         {g_signalPipe[0], POLLIN, 0}};
        if (::poll(fds, 2, static_cast<int>(timeoutMs < 0 ? 0 : timeoutMs)) <= 0) return;
        if (fds[1].revents & POLLIN) m_quit = true;
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) ReadInput();
    }

    void ReadInput() {
        char chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) return;
            m_stdinOpen = false;  // a service runs on with its input closed
            return;
        }
        m_input.append(chunk, static_cast<size_t>(n));
        size_t end;
        while (!m_quit && (end = m_input.find('\n')) != std::string::npos) {
            const std::string line = Trim(m_input.substr(0, end));
            m_input.erase(0, end + 1);
            if (!line.empty()) Execute(line);
        }
    }

    void Execute(const std::string& command) {
        if (command == "listen") {
            ButtonCommand(m_session, kButtonListen);
        } else if (command == "disconnect") {
            ButtonCommand(m_session, kButtonDisconnect);
        } else if (command == "status") {
            ButtonCommand(m_session, kButtonStatusView);
        } else if (command == "quit") {
            m_quit = true;
        } else {
            std::fprintf(stderr,
                         "Unknown command '%s'; the commands are: listen, disconnect, status, "
                         "quit\n",
                         command.c_str());
        }
    }

    Session& m_session;
    bool m_quit = false;
    bool m_stdinOpen = true;
    std::string m_input;
};

}  // namespace

int RunHeadless(const std::string& prefsPath) {
    InstallSignalHandlers();
    Core core(prefsPath);
    ConsoleDisplay display(stdout, stderr);
    ConsoleFrontEnd frontEnd(core.prefs());
    Session& session = core.session();
    session.svc.display = &display;
    session.svc.frontEnd = &frontEnd;
    return HeadlessLoop(session).Run();
}

}  // namespace zd
