#include "support/x_session.h"

#include <unistd.h>

#include <csignal>

#include <chrono>
#include <thread>

namespace zd::test {
namespace {

bool Installed(const std::string& tool) {
    return ::access(("/usr/bin/" + tool).c_str(), X_OK) == 0;
}

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

XSession::XSession(bool windowManager, std::string runtimeDir)
    : m_runtimeDir(std::move(runtimeDir)) {
    std::vector<std::string> tools = {"Xvfb", "xdotool", "xclip", "xdpyinfo", "xprop"};
    if (windowManager) tools.push_back("icewm");
    for (const std::string& tool : tools) {
        if (!Installed(tool)) {
            m_missing = tool + " is not installed; make test installs it";
            return;
        }
    }
    // The server takes a free display itself and names it on standard output,
    // so sessions of tests that run side by side never meet.
    m_server = std::make_unique<Subprocess>(std::vector<std::string>{
        "/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    if (!m_server->WaitForStdout("\n")) {
        m_error = "Xvfb did not start: " + m_server->err();
        return;
    }
    m_display = ":" + m_server->out().substr(0, m_server->out().find('\n'));
    if (!WaitUntil({"/usr/bin/xdpyinfo", "-display", m_display}, 5000)) {
        m_error = "Xvfb did not answer on " + m_display;
        return;
    }
    if (!windowManager) return;
    // Up when its taskbar holds the system tray; on a busy machine a first
    // start now and then gives up, so it has a second chance.
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_windowManager = std::make_unique<Subprocess>(
            OnDisplay({"/usr/bin/env", "HOME=" + m_runtimeDir, "/usr/bin/icewm"}));
        if (WaitUntil(OnDisplay({"/usr/bin/xdotool", "search", "--name", "^SystemTray$"}), 15000)) {
            m_error.clear();
            return;
        }
        const bool running = m_windowManager->RunsFor(0);
        m_error = std::string("icewm did not start (") + (running ? "still running" : "ended") +
                  "): " + m_windowManager->err();
    }
}

XSession::~XSession() {
    // Asked to end, not killed: a server that removes its lock and socket
    // leaves the display number clean for the next session to take.
    for (auto* process : {&m_windowManager, &m_server}) {
        if (!*process) continue;
        (*process)->Signal(SIGTERM);
        (*process)->WaitForExit(3000);
        process->reset();
    }
}

bool XSession::WaitUntil(const std::vector<std::string>& probe, int timeoutMs) const {
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        if (!Run(probe).empty()) return true;
        if (m_windowManager && !m_windowManager->RunsFor(0)) return false;
        Pause(50);
    }
    return false;
}

std::vector<std::string> XSession::OnDisplay(std::vector<std::string> argv) const {
    argv.insert(argv.begin(), {"/usr/bin/env", "-u", "QT_QPA_PLATFORM", "-u", "WAYLAND_DISPLAY",
                               "DISPLAY=" + m_display, "XDG_RUNTIME_DIR=" + m_runtimeDir});
    return argv;
}

std::string XSession::Run(const std::vector<std::string>& argv) const {
    Subprocess command(argv);
    command.WaitForExit(5000);
    return command.out();
}

std::string XSession::XDoTool(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {"/usr/bin/timeout", "5", "/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(OnDisplay(argv));
}

std::string XSession::WaitForWindow(const std::string& name, int timeoutMs) const {
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        const std::string found = XDoTool({"search", "--onlyvisible", "--name", name});
        if (!found.empty()) return found.substr(0, found.find('\n'));
        Pause(50);
    }
    return "";
}

bool XSession::Visible(const std::string& name) const {
    return !XDoTool({"search", "--onlyvisible", "--name", name}).empty();
}

std::string XSession::Property(const std::string& window, const std::string& property) const {
    std::vector<std::string> argv = {"/usr/bin/xprop"};
    if (window == "root") {
        argv.push_back("-root");
    } else {
        argv.insert(argv.end(), {"-id", window});
    }
    argv.push_back(property);
    return Run(OnDisplay(argv));
}

std::string XSession::Clipboard() const {
    return Run(OnDisplay({"/usr/bin/xclip", "-o", "-selection", "clipboard"}));
}

bool XSession::Screenshot(const std::string& path, const std::string& window,
                          const std::vector<int>& part) const {
#ifdef GRAB_WINDOW
    std::vector<std::string> argv{GRAB_WINDOW, window, path};
    for (const int number : part) argv.push_back(std::to_string(number));
    Subprocess grab(OnDisplay(argv));
    return grab.WaitForExit(5000) == 0;
#else
    (void)path;
    (void)window;
    (void)part;
    return false;
#endif
}

}  // namespace zd::test
