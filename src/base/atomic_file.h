// Whole-file reads and crash-safe whole-file writes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zd {

// The file's bytes, or nullopt if it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the file's content with `content`: it is written to a temporary file
// in the same folder and renamed over the old one, so a crash or a full disk
// leaves either the old file or the new one, never a mix.  Creates missing
// parent folders.  Returns false (and leaves the old file as it was) on failure.
bool WriteFileAtomically(const std::string& path, std::string_view content);

}  // namespace zd
