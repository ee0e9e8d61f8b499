#include "link/relisten.h"

#include "link/link_session.h"
#include "link/poll_tick.h"

namespace zd {

void RelistenIfEnded(LinkSession& s) {
    if (!s.poll.relisten || s.poll.startupListen) return;
    const bool ended = s.link.pipe == 0 || s.svc.dil.CD_GetState(s.link.pipe) == kStateDisconnected;
    const int64_t now = s.svc.clock.NowMs();
    if (!ended || now < s.poll.nextRelistenMs) return;
    Listen(s);
    // Only a listen that failed waits before the next try.
    s.poll.nextRelistenMs = s.link.pipe == 0 ? now + kRelistenRetryMs : 0;
}

}  // namespace zd
