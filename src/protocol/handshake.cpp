#include "protocol/handshake.h"

#include "base/prefs_keys.h"
#include "link/display_ops.h"
#include "link/link_manager.h"
#include "protocol/wire.h"
#include "protocol/wire_io.h"
#include "session/session.h"

namespace zd {
namespace {

// Reads and drops bytes up to and including the next EOT; a failed read (the
// DIL's timeout) ends the wait too.
void DrainToEot(Session& s) {
    char byte = 0;
    while (s.svc.dil.CD_Read(s.link.pipe, &byte, 1) == kDilOk && byte != wire::kEot) {
    }
}

}  // namespace

void Handshake(Session& s) {
    Dil& dil = s.svc.dil;
    (void)WriteWire(s, wire::kAskId);

    // A read that fails leaves zeros, which match no answer.
    char answer[wire::kGreetingSize] = {};
    (void)dil.CD_Read(s.link.pipe, answer, sizeof answer);
    const std::string_view greeting(answer, sizeof answer);

    if (greeting.substr(0, wire::kIdAnswer.size()) == wire::kIdAnswer) {
        (void)WriteWire(s, wire::kIdentityForIdAnswer);
        LogLine(s, "Connected via ID.");
        return;
    }
    if (greeting == wire::kYoohoo) {
        LogLine(s, "ZD is now working.");
        ShowState(s, "Connected");
        int32_t greetings = 0;
        s.svc.prefs.GetPrefInt(greetings, prefs::kConnect);
        s.svc.prefs.SetPrefInt(greetings + 1, prefs::kConnect);
        DrainToEot(s);
        (void)dil.CD_Idle(s.link.pipe);
        if (WriteWire(s, wire::kIdentity) == kDilOk) s.link.handshakeDone = true;
        return;
    }
    LogLine(s, "Didn't get '#ID:' response; disconnecting...");
    DisposePipe(s);
    s.link.handshakeDone = false;
}

}  // namespace zd
