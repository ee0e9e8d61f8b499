// What the log says of one entry a reading of the Newton saved.
#pragma once

#include <string>
#include <vector>

namespace zd {

struct Session;

// Says what was odd in the entry `which` ("note 12 of Internal") as it was
// read and saved, when anything was: one line, the findings joined by "; ".
void LogOddities(Session& s, const std::string& which, const std::vector<std::string>& oddities);

}  // namespace zd
