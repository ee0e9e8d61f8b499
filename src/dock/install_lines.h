// What an installation says in the log, whether the desktop's user chose the
// package or the Newton's user did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zd::dock {

// "Installing NAME (N bytes)…"
std::string InstallingLine(const std::string& name, size_t bytes);
// The Newton's answer `code` to the package `name`.
std::string InstalledLine(const std::string& name, int32_t code);
// The package at `path` could not be sent, for `refusal`.
std::string NotSentLine(const std::string& path, const std::string& refusal);

}  // namespace zd::dock
