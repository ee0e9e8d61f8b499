// The parts every front end runs the link with: the clock, the preference
// file, the DIL and the session, wired to each other.
#pragma once

#include <string>

#include "base/clock.h"
#include "base/prefs_store.h"
#include "base/run_options.h"
#include "link/dil/dil.h"
#include "link/link_manager.h"
#include "session/session.h"

namespace zd {

class Core {
public:
    // Uses the preference file at `prefsPath`.  The network pipe listens where
    // "NetAddress" and "NetPort" say, read at each pipe creation; the DIL's
    // notices go to the message log.
    explicit Core(const std::string& prefsPath);
    // The same, with the command line's preference values for this run.
    explicit Core(const RunOptions& options);
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    Session& session() { return m_session; }
    PrefsStore& prefs() { return m_prefs; }

private:
    SteadyClock m_clock;
    PrefsStore m_prefs;
    Dil m_dil;
    Session m_session;
};

// Reads "SaveAsFile" and "URL" into the session's switches.
void ReadCachedSwitches(Session& s);

// Raises the "Launch" counter by one.
void CountLaunch(Session& s);

// Turns relistening on when `requested` (the command line) or "Relisten" says so.
void ConfigureRelisten(Session& s, bool requested);

}  // namespace zd
