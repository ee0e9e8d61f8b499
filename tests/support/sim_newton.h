// newton-sim on each line a Newton comes by, and the preference file that
// finds it: a pseudo-terminal (started at once), an emulator's MNP over TCP
// or a network Newton's plain TCP (each started once the program listens,
// since it calls the program).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/subprocess.h"

namespace zd::test {

enum class Line { kSerial, kEmulator, kNetwork };

// The log's line once the Newton's Connection holds the full connection.
inline constexpr const char* kConnectionReady =
    "The Newton's Connection is ready: what you send is typed on it.\n";

// The name of `line` for parameterised tests.
std::string LineName(Line line);

class SimNewton {
public:
    // newton-sim with `args` on `line`; `ini` is written to find it, with
    // `prefs` (lines of "key=value\n") added.
    SimNewton(Line line, std::vector<std::string> args, const std::string& ini,
              const std::string& prefs = "");

    // Starts a network Newton once `program` listens; a serial one runs already.
    void StartWhenListening(Subprocess& program);
    // The headless program on preference file `ini` with `args`, told to
    // listen, and connected to this Newton playing Connection.
    std::unique_ptr<Subprocess> StartConnectedProgram(const std::string& ini,
                                                      const std::vector<std::string>& args = {});
    // The network port, for a second Newton after this one ("" on a serial line).
    const std::string& port() const { return m_port; }
    // newton-sim itself.  REQUIRES: it has been started.
    Subprocess& process() { return *m_process; }

    // After this network Newton, the Zandorelle package's connects to the
    // same port, pushes an item and leaves: true when `program`, which listens
    // again by itself, greeted it and the package got through.  `scratch` is
    // a folder for the item's file.
    bool ServesThePackageNext(Subprocess& program, const std::string& scratch);

private:
    std::vector<std::string> m_argv;
    std::string m_port;
    std::unique_ptr<Subprocess> m_process;
};

}  // namespace zd::test
