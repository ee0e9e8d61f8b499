#include "link/progress.h"

#include "link/display_ops.h"
#include "link/link_session.h"

namespace zd {

void ShowProgress(LinkSession& s) {
    TransferProgress& p = s.progress;
    const int64_t now = s.svc.clock.NowMs();
    if (!s.link.busy || s.link.pipe == 0) {
        p.startMs = -1;
        return;
    }
    const int64_t moved = s.svc.dil.CD_BytesMoved(s.link.pipe);
    if (p.startMs < 0) {
        p.startMs = p.shownMs = now;
        p.baseline = moved;
        return;
    }
    if (now - p.startMs < kProgressEveryMs || now - p.shownMs < kProgressEveryMs) return;
    p.shownMs = now;
    if (!p.entriesSoFar.empty()) return ShowTransitText(s, p.entriesSoFar);
    ShowTransit(s, static_cast<int32_t>(moved - p.baseline));
}

}  // namespace zd
