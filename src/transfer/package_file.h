// A Newton package file on the desktop, checked before a byte of it goes to
// the Newton.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "transfer/regular_file.h"

namespace zd {

// The largest package we send.
inline constexpr size_t kPackageCap = 16u << 20;

// True when `bytes` begin as every Newton package does.
bool IsPackage(std::string_view bytes);

// The package at `path`: a regular file of at most kPackageCap bytes that
// begins as a package; else the refusal says why not.
FileContent ReadPackageFile(const std::string& path);

}  // namespace zd
