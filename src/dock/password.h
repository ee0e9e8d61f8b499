// The Dock protocol's password step: the Newton's challenge encrypted with
// plain DES under a key derived from the Connection password its owner set.
// A Newton without a password (the factory state, and nearly every Newton in
// use) takes the key of the empty password.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zd::dock {

inline constexpr size_t kChallengeSize = 8;

using DesKey = std::array<uint8_t, 8>;

// The key the Newton expects the answer under, for `password` (UTF-8).
DesKey AnswerKey(std::string_view password);

// A challenge of kChallengeSize random bytes, for the Newton to answer.
std::string NewChallenge();

// The answer to `challenge` for `password`.  REQUIRES: kChallengeSize bytes.
std::string PasswordAnswer(std::string_view challenge, std::string_view password = {});

}  // namespace zd::dock
