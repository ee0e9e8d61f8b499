#include "headless/headless_app.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/window_rules.h"
#include "base/atomic_file.h"
#include "base/front_end.h"
#include "base/prefs_keys.h"
#include "base/quit_signals.h"
#include "conversation/connection_driver.h"
#include "conversation/conversation.h"
#include "conversation/install.h"
#include "headless/console_desktop.h"
#include "headless/console_display.h"
#include "headless/one_session.h"
#include "link/display_ops.h"
#include "link/link_manager.h"
#include "link/poll_tick.h"
#include "link/progress.h"
#include "link/relisten.h"
#include "session/core.h"
#include "session/session.h"
#include "transfer/item_file.h"
#include "transfer/regular_file.h"
#include "transfer/send_text.h"
#include "transfer/text_files.h"
#include "transfer/unsaved_items.h"

namespace zd {
namespace {

// Without a window there is nothing to resize; the view's state lives on in the
// preference, as the window keeps it, for a window of no height.
class ConsoleFrontEnd final : public FrontEnd {
public:
    explicit ConsoleFrontEnd(PrefsStore& prefs) : m_prefs(prefs) {}

    void ToggleStatusView() override {
        const bool open = ToggleStatusViewRule(WindowRect{}, StoredStatus(m_prefs)).open;
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

constexpr const char* kCommandList =
    "listen, disconnect, status, send FILE, paste [TEXT], drop TEXT, clip FILE, install FILE..., "
    "type TEXT, type-file FILE, notes [DIR], export [DIR], backup [FILE], quit";

// The words of `text`, split at spaces.
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find(' ', at), text.size());
        if (end > at) words.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

class HeadlessLoop {
public:
    // With `oneSession` the loop runs that session and ends.
    HeadlessLoop(Session& s, ConsoleDesktop& desktop, bool relisten,
                 std::unique_ptr<OneSession> oneSession)
        : m_session(s),
          m_desktop(desktop),
          m_relisten(relisten),
          m_oneSession(std::move(oneSession)) {
        s.svc.dil.SetWaitHook([this] { DuringWait(); });
    }

    int Run() {
        StartLink(m_session);
        ReadCachedSwitches(m_session);
        CountLaunch(m_session);
        ConfigureRelisten(m_session, m_relisten);
        TidyItemFolders(m_session);
        if (m_oneSession && !m_oneSession->Begin(m_session)) {
            StopLink(m_session);
            return 2;
        }
        int64_t nextTick = Now();
        while (!m_quit && !(m_oneSession && m_oneSession->Over(m_session))) {
            // A wait ended for a disconnect is over once its operation is.
            m_session.svc.dil.CD_Resume();
            WaitForInput(nextTick - Now());
            if (m_quit) break;
            if (Now() >= nextTick) {
                RelistenIfEnded(m_session);
                PollTick(m_session);
                nextTick += kPollPeriodMs;
                // After a long operation, tick again soon instead of catching up.
                if (nextTick < Now()) nextTick = Now() + kPollPeriodMs;
            }
        }
        // The orderly end waits for the Newton again, within its bounds.
        m_session.svc.dil.SetWaitHook(nullptr);
        m_session.svc.dil.CD_Resume();
        StopLink(m_session);
        return m_oneSession ? m_oneSession->Status(m_session) : 0;
    }

private:
    int64_t Now() { return m_session.svc.clock.NowMs(); }

    // Input and signals for up to `timeoutMs`; the commands that came are
    // carried out.
    void WaitForInput(int64_t timeoutMs) {
        // Commands that came during an operation's wait are due at once.
        const bool held = m_input.find('\n') != std::string::npos;
        TakeInput(held || timeoutMs < 0 ? 0 : static_cast<int>(timeoutMs));
        size_t end;
        while (!m_quit && (end = m_input.find('\n')) != std::string::npos) {
            const std::string line = Trim(m_input.substr(0, end));
            m_input.erase(0, end + 1);
            if (!line.empty()) Execute(line);
        }
    }

    // In the middle of a wait for the Newton: progress, and an ear for quit
    // and disconnect, which end the wait.  Every command but quit then waits
    // its turn, as it would in the window.
    void DuringWait() {
        ShowProgress(m_session);
        TakeInput(0);
        bool disconnect = false;
        for (size_t line = 0, end; (end = m_input.find('\n', line)) != std::string::npos;
             line = end + 1) {
            const std::string command = Trim(m_input.substr(line, end - line));
            m_quit = m_quit || command == "quit";
            disconnect = disconnect || command == "disconnect";
        }
        if (m_quit || disconnect) m_session.svc.dil.CD_Cancel();
    }

    // Reads what standard input and the signals have, waiting up to
    // `timeoutMs`.
    void TakeInput(int timeoutMs) {
        PasswordPrompt& prompt = m_desktop.prompt();
        // While the terminal is asked for the password, what is typed on it
        // is the answer, not a command: standard input is that same terminal.
        const bool readCommands = m_stdinOpen && prompt.fd() < 0;
        pollfd fds[3] = {{readCommands ? STDIN_FILENO : -1, POLLIN, 0},
                         {m_quitSignals, POLLIN, 0},
                         {prompt.fd(), POLLIN, 0}};
        if (::poll(fds, 3, timeoutMs) <= 0) return;
        if (fds[1].revents & POLLIN) m_quit = true;
        if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) {
            if (auto answer = prompt.Read())
                AnswerPasswordQuestion(m_session, std::move(*answer), PasswordSource::kUser);
        }
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) return;
        char chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n > 0) {
            m_input.append(chunk, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            m_stdinOpen = false;  // a service runs on with its input closed
        }
    }

    void Execute(const std::string& line) {
        const size_t space = line.find(' ');
        const std::string command = line.substr(0, space);
        const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
        if (command == "listen" && argument.empty()) {
            ButtonCommand(m_session, kButtonListen);
        } else if (command == "disconnect" && argument.empty()) {
            ButtonCommand(m_session, kButtonDisconnect);
        } else if (command == "status" && argument.empty()) {
            ButtonCommand(m_session, kButtonStatusView);
        } else if (command == "send" && !argument.empty()) {
            m_desktop.SetNextFileToSend(argument);
            ButtonCommand(m_session, kButtonSendFile);
        } else if (command == "paste") {
            if (!argument.empty()) m_desktop.SetClipboardText(argument);
            ButtonCommand(m_session, kButtonPaste);
        } else if (command == "drop" && !argument.empty()) {
            OnTextDropped(m_session, argument);
        } else if (command == "install" && !argument.empty()) {
            RequestInstall(m_session, Words(argument));
        } else if (command == "type" && !argument.empty()) {
            TypeText(m_session, argument);
        } else if (command == "type-file" && !argument.empty()) {
            TypeFile(m_session, argument);
        } else if (command == "notes") {
            SaveNewtonData(m_session,
                           {argument.empty() ? ReceiveFolderOf(m_session.svc.prefs) : argument,
                            ExportChoice::NotesAlone()});
        } else if (command == "export") {
            SaveNewtonData(
                m_session,
                {argument.empty() ? ReceiveFolderOf(m_session.svc.prefs) : argument, {}});
        } else if (command == "backup") {
            BackUpNewton(m_session, argument);
        } else if (command == "clip" && !argument.empty()) {
            WriteClipboard(argument);
        } else if (command == "quit" && argument.empty()) {
            m_quit = true;
        } else {
            std::fprintf(stderr, "Unknown command '%s'; the commands are: %s\n", line.c_str(),
                         kCommandList);
        }
    }

    // Writes the clipboard's text to `path`, as text files are written.
    void WriteClipboard(const std::string& path) {
        const std::optional<std::string> text = m_desktop.ClipboardText();
        if (!text) {
            std::fprintf(stderr, "The clipboard holds no text\n");
            return;
        }
        // A named pipe would hold the program until someone read it.
        if (const char* special = SpecialFileAt(path)) {
            m_desktop.ShowFileError(path + ": this is " + special + ", not a text file");
            return;
        }
        size_t replaced = 0;
        const std::string bytes =
            ToFileBytes(*text, ReadFileCharset(m_session.svc.prefs), &replaced);
        if (const int error = WriteWholeFile(path, bytes, IfTaken::kReplace); error != 0) {
            m_desktop.ShowFileError(path + ": " + std::strerror(error));
            return;
        }
        LogReplaced(m_session, replaced, "code page 1252 lacks them");
    }

    Session& m_session;
    ConsoleDesktop& m_desktop;
    bool m_relisten;
    std::unique_ptr<OneSession> m_oneSession;
    bool m_quit = false;
    bool m_stdinOpen = true;
    const int m_quitSignals = InstallQuitSignals();
    std::string m_input;
};

}  // namespace

int RunHeadless(const RunOptions& options) {
    Core core(options);
    ConsoleDisplay display(stdout, stderr);
    ConsoleFrontEnd frontEnd(core.prefs());
    ConsoleDesktop desktop(stderr);
    Session& session = core.session();
    session.svc.display = &display;
    session.svc.frontEnd = &frontEnd;
    session.svc.desktop = &desktop;
    return HeadlessLoop(session, desktop, options.relisten, OneSession::For(options)).Run();
}

}  // namespace zd
