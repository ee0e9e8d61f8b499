// A session bus of a test's own, as a desktop session has one: dbus-daemon
// on a private address, which the programs started through OnBus use.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/subprocess.h"

namespace zd::test {

class DBusSession {
public:
    DBusSession();

    // The tool this machine lacks for a bus, or "".
    const std::string& missing() const { return m_missing; }
    // Why the bus did not come up although every tool is there, or "".
    const std::string& error() const { return m_error; }

    // `argv` run with this bus as its session bus.
    std::vector<std::string> OnBus(std::vector<std::string> argv) const;
    // gdbus's answer to method `method` (with its interface) of `object` at
    // `destination`, called with `args` in gdbus's notation; "" on failure.
    std::string Call(const std::string& destination, const std::string& object,
                     const std::string& method, const std::vector<std::string>& args = {}) const;

private:
    std::string m_address;
    std::string m_missing;
    std::string m_error;
    std::unique_ptr<Subprocess> m_daemon;
};

}  // namespace zd::test
