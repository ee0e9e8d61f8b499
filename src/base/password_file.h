// A Connection password kept in a file of its own, as ssh keeps a key: the
// password is the file's first line, and a file that others can read or
// change is refused.
#pragma once

#include <optional>
#include <string>

#include "base/secret.h"

namespace zd {

// The password in `path`; nullopt with the reason in `*why` ("FILE can be
// read by others; chmod 600 it.") when it cannot be read or is not kept safe.
std::optional<Secret> ReadPasswordFile(const std::string& path, std::string* why);

}  // namespace zd
