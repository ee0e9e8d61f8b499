// What a Newton with a Connection password expects the desktop to answer:
// its challenge under plain DES, with the key the protocol's description
// derives from the password.  Written here from that description, apart
// from the program's own, so that the two can disagree.
#pragma once

#include <string>

namespace zd::sim {

// The right answer to `challenge` (8 bytes) for `password` (UTF-8).
std::string ExpectedAnswer(const std::string& challenge, const std::string& password);

}  // namespace zd::sim
