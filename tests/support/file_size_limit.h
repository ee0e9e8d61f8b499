// A full disk without root: a child process whose files may not grow past a
// limit, so that writes past it fail with EFBIG as they would with ENOSPC.
#pragma once

#include <cstddef>
#include <functional>

namespace zd::test {

// Runs `body` in a child process whose files may grow to at most `bytes`.
// The expectations `body` checks are the child's; true when none of them
// failed and the child ended in time.
bool InChildWithFileSizeLimit(size_t bytes, const std::function<void()>& body);

}  // namespace zd::test
