#include "link/poll_tick.h"

#include "base/display_ops.h"
#include "base/front_end.h"
#include "base/prefs_keys.h"
#include "base/session.h"
#include "dock/install.h"
#include "link/link_manager.h"
#include "protocol/command_reader.h"
#include "protocol/handshake.h"
#include "protocol/wire.h"
#include "transfer/send_text.h"

namespace zd {
namespace {

constexpr const char* kListeningLine = "Listening... press 'Connect' on the Zandorelle slip.";

void Listen(Session& s) {
    LogLine(s, kListeningLine);
    OpenPipe(s);
    // Greet waits for a connected pipe, however the listen went.
    s.poll.pendingAction = kGreet;
}

}  // namespace

void PollTick(Session& s) {
    Dil& dil = s.svc.dil;

    if (s.poll.startupListen) {
        int32_t listen = 0;
        if (s.svc.prefs.GetPrefInt(listen, prefs::kListen) != 0 && s.link.pipe == 0) Listen(s);
        s.poll.startupListen = false;
    }

    if (s.link.pipe == 0) {
        ShowState(s, "(no connection)");
        ShowTransit(s, 0);
        return;
    }

    (void)dil.CD_Idle(s.link.pipe);

    const int32_t state = dil.CD_GetState(s.link.pipe);
    if (state != s.poll.lastState) ShowState(s, StateName(state));
    s.poll.lastState = state;

    int32_t waiting = 0;
    (void)dil.CD_BytesAvailable(s.link.pipe, &waiting);
    ShowTransit(s, waiting);

    if (state == kStateConnectPending) {
        LogLine(s, "Accepting...");
        (void)dil.CD_Accept(s.link.pipe);
    }

    if (waiting >= 2 && s.link.handshakeDone && !s.link.busy &&
        dil.CD_GetState(s.link.pipe) == kStateConnected) {
        ReadCommand(s);
    }

    if ((state == kStateConnected || state == kStateDisconnectPending) &&
        s.poll.pendingAction != kNoAction) {
        RunPendingAction(s);
    }
}

void RunPendingAction(Session& s) {
    const int32_t action = s.poll.pendingAction;
    s.poll.pendingAction = kNoAction;
    if (action != kGreet) return;
    // A connection while packages wait for it is the Newton's Connection
    // application, which is not greeted.
    if (InstallExpected(s)) {
        RunDockSession(s);
    } else {
        Handshake(s);
    }
}

void ButtonCommand(Session& s, int32_t code) {
    switch (code) {
        case kButtonListen:
            Listen(s);
            break;
        case kButtonStatusView:
            if (s.svc.frontEnd) s.svc.frontEnd->ToggleStatusView();
            break;
        case kButtonSendFile:
            LogLine(s, "Zandorelling...");
            SendTextFile(s);
            break;
        case kButtonPaste:
            LogLine(s, "Special Paste.");
            PasteToNewton(s);
            break;
        case kButtonDisconnect:
            Disconnect(s);
            break;
        default:
            break;
    }
}

void Disconnect(Session& s) {
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
    LetTheNewtonGo(s, true);  // "#BYE" even to a dropped link
    DisposePipe(s);
    s.link.handshakeDone = false;
    s.poll.pendingAction = kNoAction;
    LogLine(s, "The pipe has been disconnected and disposed.");
    s.link.busy = false;
}

}  // namespace zd
