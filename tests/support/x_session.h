// A real X session for tests of the real program: Xvfb on a display of its
// own and, where asked, Debian's icewm as the window manager, with its frames,
// its taskbar and its system tray.  Every wait has a limit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/subprocess.h"

namespace zd::test {

class XSession {
public:
    // Starts the display; `windowManager` adds icewm.  Windows of the
    // programs started through OnDisplay keep their locks in `runtimeDir`.
    XSession(bool windowManager, std::string runtimeDir);
    ~XSession();

    // The tool this machine lacks for a session, or "".
    const std::string& missing() const { return m_missing; }
    // Why the session did not come up although every tool is there, or "".
    const std::string& error() const { return m_error; }

    // `argv` run in the session.
    std::vector<std::string> OnDisplay(std::vector<std::string> argv) const;
    // Runs a short command in the session to its end; its standard output.
    std::string Run(const std::vector<std::string>& argv) const;
    // The xdotool command `args`, in the session.
    std::string XDoTool(const std::vector<std::string>& args) const;

    // The first visible window named `name` (a regular expression); "" when
    // none came within `timeoutMs`.
    std::string WaitForWindow(const std::string& name, int timeoutMs = 10000) const;
    // True while a window named `name` is visible.
    bool Visible(const std::string& name) const;
    // What xprop says of `property` on `window` ("root" for the root window).
    std::string Property(const std::string& window, const std::string& property) const;
    // The clipboard's text.
    std::string Clipboard() const;
    // Saves a picture of `window` ("0": the whole screen), or of the part of
    // it at x, y with a width and a height.
    bool Screenshot(const std::string& path, const std::string& window = "0",
                    const std::vector<int>& part = {}) const;

private:
    bool WaitUntil(const std::vector<std::string>& probe, int timeoutMs) const;

    std::string m_display;
    std::string m_runtimeDir;
    std::string m_missing;
    std::string m_error;
    std::unique_ptr<Subprocess> m_server;
    std::unique_ptr<Subprocess> m_windowManager;
};

}  // namespace zd::test
