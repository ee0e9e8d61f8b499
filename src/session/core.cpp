#include "session/core.h"

#include "base/prefs_keys.h"
#include "link/admission_gate.h"
#include "link/dil/mnp_framing.h"
#include "link/display_ops.h"
#include "session/session.h"

namespace zd {

void ReadCachedSwitches(Session& s) {
    s.switches.saveAsFile = ReadPrefInt(s.svc.prefs, prefs::kSaveAsFile) != 0;
    s.switches.launchUrl = ReadPrefInt(s.svc.prefs, prefs::kUrl) != 0;
}

void ConfigureRelisten(Session& s, bool requested) {
    s.poll.relisten = requested || ReadPrefInt(s.svc.prefs, prefs::kRelisten) != 0;
}

void CountLaunch(Session& s) {
    int32_t launches = 0;
    s.svc.prefs.GetPrefInt(launches, prefs::kLaunch);
    s.svc.prefs.SetPrefInt(launches + 1, prefs::kLaunch);
}

namespace {

DilOptions LinkOptions(const PrefsStore& prefs, Session& session) {
    DilOptions options;
    options.settings = [&prefs] { return ReadDilSettings(prefs); };
    options.notice = [&session](std::string_view text) { LogLine(session, text); };
    options.mnpRetransmitMs = RetransmitMsFromEnvironment();
    options.admit = [&session](const std::string& address) {
        return AdmitCaller(session, address);
    };
    options.withdrawn = [&session](const std::string& address) {
        WithdrawCaller(session, address);
    };
    return options;
}

}  // namespace

Core::Core(const std::string& prefsPath)
    : m_prefs(prefsPath),
      m_dil(m_clock, LinkOptions(m_prefs, m_session)),
      m_session(Services{m_dil, m_prefs, m_clock}) {}

Core::Core(const RunOptions& options) : Core(options.prefsPath) {
    for (const auto& [name, value] : options.prefOverrides) m_prefs.Override(name, value);
    m_session.dock.passwordFile = options.passwordFile;
}

}  // namespace zd
