#include "link/poll_tick.h"

#include "base/prefs_keys.h"
#include "link/display_ops.h"
#include "link/link_manager.h"
#include "link/link_session.h"

namespace zd {

void Listen(LinkSession& s) {
    LogLine(s, "Listening... press 'Connect' on the Zandorelle slip.");
    OpenPipe(s);
    s.poll.pendingAction = kGreet;
}

void ShowIdle(LinkSession& s) {
    ShowState(s, "Idle");
    s.poll.lastState = kNoStateSeen;
}

LinkReading PollLink(LinkSession& s) {
    Dil& dil = s.svc.dil;

    if (s.poll.startupListen) {
        int32_t listen = 0;
        if (s.svc.prefs.GetPrefInt(listen, prefs::kListen) != 0 && s.link.pipe == 0) Listen(s);
        s.poll.startupListen = false;
    }

    LinkReading reading;
    if (s.link.pipe == 0) {
        ShowState(s, "(no connection)");
        ShowTransit(s, 0);
        return reading;
    }
    reading.pipe = true;

    (void)dil.CD_Idle(s.link.pipe);

    reading.state = dil.CD_GetState(s.link.pipe);
    if (reading.state != s.poll.lastState) ShowState(s, StateName(reading.state));
    s.poll.lastState = reading.state;

    (void)dil.CD_BytesAvailable(s.link.pipe, &reading.waiting);
    if (s.progress.entriesSoFar.empty()) {
        ShowTransit(s, reading.waiting);
    } else {
        ShowTransitText(s, s.progress.entriesSoFar);
    }

    if (reading.state == kStateConnectPending) {
        LogLine(s, "Accepting...");
        (void)dil.CD_Accept(s.link.pipe);
        s.poll.acceptedMs = s.svc.clock.NowMs();
    }
    return reading;
}

void Disconnect(LinkSession& s) {
    Dil& dil = s.svc.dil;
    s.link.busy = true;
    if (s.link.pipe == 0) {
        LogLine(s, "There is no pipe allocated, so I can't disconnect anything.");
        s.link.busy = false;
        return;
    }
    if (dil.CD_GetState(s.link.pipe) == kStateDisconnected) {
        LogLine(s, "The pipe is already disconnected.  Disposing it...");
    } else {
        LogLine(s, "Disconnecting and disposing the pipe...");
    }
    LetTheNewtonGo(s, true);  // the goodbye even to a dropped link
    DisposePipe(s);
    s.link.handshakeDone = false;
    s.poll.pendingAction = kNoAction;
    LogLine(s, "The pipe has been disconnected and disposed.");
    s.link.busy = false;
}

}  // namespace zd
