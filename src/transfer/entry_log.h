// What the log says of one entry a reading of the Newton saved.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zd {

struct Session;

// Says what was odd in the entry `which` ("note 12 of Internal") as it was
// read and saved, when anything was: one line, the findings joined by "; ".
void LogOddities(Session& s, const std::string& which, const std::vector<std::string>& oddities);

// Why an entry whose objects could not be read was skipped, in words a user
// can act on, with the decoder's finding after them.
std::string DamagedEntry(const std::string& finding);

// The log's lines for the entries a reading skips: "Skipped WHICH: WHY." for
// each, but a run skipped for one reason is its first line and a count, so
// that thousands of like entries are not thousands of lines.
class SkipLog {
public:
    void Skipped(Session& s, const std::string& which, const std::string& why);
    // Counts the run that ended, if any.
    void Flush(Session& s);

private:
    std::string m_why;
    size_t m_repeats = 0;
};

}  // namespace zd
