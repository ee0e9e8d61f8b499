#include "link/admission_gate.h"

#include "base/desktop.h"
#include "base/prefs_keys.h"
#include "base/printable.h"
#include "link/display_ops.h"
#include "link/link_session.h"

namespace zd {

Admission AdmitCaller(LinkSession& s, const std::string& address) {
    const std::string allowed = s.svc.prefs.GetPrefString(prefs::kNetAllow);
    if (InAllowList(allowed, address)) return Admission::kAllow;
    AdmissionState& gate = s.admission;
    if (!gate.asking.count(address)) {
        for (const std::string& entry : MalformedEntries(allowed))
            LogLine(s, "NetAllow holds \"" + Printable(entry) +
                           "\", which is no address or range; it is passed over.");
    }
    if (const auto answered = gate.answers.find(address); answered != gate.answers.end()) {
        const Admission admission = answered->second;
        gate.answers.erase(answered);
        if (admission == Admission::kRefuse)
            LogLine(s, "Refused the Newton at " + address + ", as you said.");
        return admission;
    }
    const int64_t now = s.svc.clock.NowMs();
    if (const auto asked = gate.asking.find(address); asked != gate.asking.end()) {
        if (now - asked->second < kAdmissionQuestionMs) return Admission::kUndecided;
        gate.asking.erase(asked);
        s.svc.desktop->StopAsking(address);
        LogLine(s, "Refused the Newton at " + address + ": nobody let it in within " +
                       std::to_string(kAdmissionQuestionMs / 1000) + " s.");
        return Admission::kRefuse;
    }
    if (s.svc.desktop && s.svc.desktop->AskToAdmit(address)) {
        gate.asking[address] = now;
        LogLine(s, "A Newton at " + address + " wants to connect.");
        return Admission::kUndecided;
    }
    LogLine(s, "Refused the Newton at " + address +
                   ": only the addresses in NetAllow may connect from other machines.");
    return Admission::kRefuse;
}

void WithdrawCaller(LinkSession& s, const std::string& address) {
    if (!s.admission.asking.erase(address)) return;
    s.svc.desktop->StopAsking(address);
    LogLine(s, "The Newton at " + address + " went before it was let in.");
}

void AnswerAdmission(LinkSession& s, const std::string& address, AdmissionAnswer answer) {
    s.admission.asking.erase(address);
    s.admission.answers[address] =
        answer == AdmissionAnswer::kRefuse ? Admission::kRefuse : Admission::kAllow;
    if (answer != AdmissionAnswer::kAlways) return;
    const std::string allowed = s.svc.prefs.GetPrefString(prefs::kNetAllow);
    s.svc.prefs.SetPrefString(allowed.empty() ? address : allowed + "," + address,
                              prefs::kNetAllow);
    LogLine(s, address + " may connect from now on (NetAllow).");
}

}  // namespace zd
