// Code page 1252, the byte form of text files from the old desktops, to and
// from UTF-8, the form of text on our side, with the system's codec.
#pragma once

#include <string>
#include <string_view>

namespace zd {

// Code page 1252 to UTF-8; the five bytes 1252 leaves undefined become "?",
// counted in `*replaced` when given.
std::string Cp1252ToUtf8(std::string_view text, size_t* replaced = nullptr);

// UTF-8 to code page 1252; characters 1252 lacks, and invalid UTF-8, become
// "?", counted in `*replaced` when given.
std::string Utf8ToCp1252(std::string_view text, size_t* replaced = nullptr);

}  // namespace zd
