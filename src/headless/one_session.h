// What the command line may ask for instead of serving: one session with the
// Newton's Connection application (--install, --type-file, --export-notes),
// after which the program ends with a status for scripts: 0 done, 1 not done
// or not all of it (the log says why), 2 a file or folder refused before
// anything was asked of the Newton.
#pragma once

#include <memory>

#include "base/run_options.h"

namespace zd {

struct Session;

class OneSession {
public:
    // The session `options` ask for; null when they ask for none.
    static std::unique_ptr<OneSession> For(const RunOptions& options);
    virtual ~OneSession() = default;

    // Checks the files and listens for the Newton; false when a file is refused.
    virtual bool Begin(Session& s) = 0;
    // After each tick: true once the session has ended, or cannot go on.
    virtual bool Over(Session& s) = 0;
    // The exit status, with a line on standard error when it is not 0.
    virtual int Status(Session& s) = 0;
};

}  // namespace zd
