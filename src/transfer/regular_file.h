// Reading a whole file the user named, safely: only a regular file is read
// (a named pipe without a writer, a folder or a device never holds the
// program up), and only up to a size.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace zd {

struct FileContent {
    std::optional<std::string> bytes;
    std::string refusal;  // why there are none, in words
};

// What the file at `path` holds, at most `cap` bytes; `kind` names what it
// should be ("a text file") and `noun` what may not exceed the cap ("a text").
FileContent ReadRegularFile(const std::string& path, size_t cap, const char* kind,
                            const char* noun);

// What stands at `path` in words ("a named pipe") when it is something other
// than a regular file; nullptr when it is one or nothing is there.
const char* SpecialFileAt(const std::string& path);

}  // namespace zd
