#include "support/dbus_session.h"

#include <unistd.h>

namespace zd::test {

DBusSession::DBusSession() {
    for (const char* tool : {"/usr/bin/dbus-daemon", "/usr/bin/gdbus", "/usr/bin/python3"}) {
        if (::access(tool, X_OK) != 0) {
            m_missing = std::string(tool) + " is not installed; make test installs it";
            return;
        }
    }
    m_daemon = std::make_unique<Subprocess>(std::vector<std::string>{
        "/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"});
    if (!m_daemon->WaitForStdout("\n")) {
        m_error = "dbus-daemon did not start: " + m_daemon->err();
        return;
    }
    m_address = m_daemon->out().substr(0, m_daemon->out().find('\n'));
}

std::vector<std::string> DBusSession::OnBus(std::vector<std::string> argv) const {
    argv.insert(argv.begin(), {"/usr/bin/env", "DBUS_SESSION_BUS_ADDRESS=" + m_address});
    return argv;
}

std::string DBusSession::Call(const std::string& destination, const std::string& object,
                              const std::string& method,
                              const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {
        "/usr/bin/gdbus", "call",          "--session", "--timeout", "5",    "--dest",
        destination,      "--object-path", object,      "--method",  method, "--"};
    argv.insert(argv.end(), args.begin(), args.end());
    Subprocess gdbus(OnBus(argv));
    return gdbus.WaitForExit(8000) == 0 ? gdbus.out() : std::string();
}

}  // namespace zd::test
