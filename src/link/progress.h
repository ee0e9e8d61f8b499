// A transfer that takes longer than a second shows how far it has come: the
// bytes carried so far, in the transit field, once a second.  Front ends call
// it from the DIL's wait hook, the only place that runs while a transfer waits.
#pragma once

#include <cstdint>

namespace zd {

struct LinkSession;

inline constexpr int64_t kProgressEveryMs = 1000;

void ShowProgress(LinkSession& s);

}  // namespace zd
