#include "transfer/entry_log.h"

#include "base/display_ops.h"

namespace zd {

void LogOddities(Session& s, const std::string& which, const std::vector<std::string>& oddities) {
    if (oddities.empty()) return;
    std::string joined;
    for (const std::string& oddity : oddities) joined += (joined.empty() ? "" : "; ") + oddity;
    LogLine(s, "Something was odd in " + which + ": " + joined + ".");
}

}  // namespace zd
