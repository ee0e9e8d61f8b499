// A member of a zip archive (libzip), read a piece at a time.
#pragma once

#include <zip.h>

#include <functional>
#include <string>
#include <string_view>

namespace zd {

// Hands member `name` of `archive` to `take` a piece at a time; false when it
// is missing or cannot be read to its end.
bool ReadZipMember(zip_t* archive, const std::string& name,
                   const std::function<void(std::string_view)>& take);

}  // namespace zd
