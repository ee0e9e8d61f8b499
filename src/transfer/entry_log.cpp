#include "transfer/entry_log.h"

#include "base/counted.h"
#include "link/display_ops.h"
#include "session/session.h"

namespace zd {

void LogOddities(Session& s, const std::string& which, const std::vector<std::string>& oddities) {
    if (oddities.empty()) return;
    std::string joined;
    for (const std::string& oddity : oddities) joined += (joined.empty() ? "" : "; ") + oddity;
    LogLine(s, "Something was odd in " + which + ": " + joined + ".");
}

std::string DamagedEntry(const std::string& finding) {
    return "it arrived damaged, so reading the Newton again may bring it (" + finding + ")";
}

void SkipLog::Skipped(Session& s, const std::string& which, const std::string& why) {
    if (why == m_why) {
        ++m_repeats;
        return;
    }
    Flush(s);
    m_why = why;
    LogLine(s, "Skipped " + which + ": " + why + ".");
}

void SkipLog::Flush(Session& s) {
    if (m_repeats > 0)
        LogLine(s, "\u2026 and " + WithThousands(m_repeats) + " more skipped for the same reason.");
    m_repeats = 0;
    m_why.clear();
}

}  // namespace zd
