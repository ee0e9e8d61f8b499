// Text on our side is code page 1252 bytes; the desktop around us speaks UTF-8.
// These convert at that edge with the system's codec.
#pragma once

#include <string>
#include <string_view>

namespace zd {

// Code page 1252 to UTF-8; the five bytes 1252 leaves undefined become
// `replacement`.
std::string Cp1252ToUtf8(std::string_view text, std::string_view replacement = "?");

// UTF-8 to code page 1252; characters 1252 lacks, and invalid UTF-8, become
// `replacement`.
std::string Utf8ToCp1252(std::string_view text, char replacement = '?');

}  // namespace zd
