// The Dock protocol's password step, for a Newton without a password (the
// factory state, and nearly every Newton in use): the Newton's challenge
// encrypted with plain DES under the Connection application's fixed key.
#pragma once

#include <string>
#include <string_view>

namespace zd::dock {

inline constexpr size_t kChallengeSize = 8;

// The answer to `challenge`.  REQUIRES: kChallengeSize bytes.
std::string PasswordAnswer(std::string_view challenge);

}  // namespace zd::dock
