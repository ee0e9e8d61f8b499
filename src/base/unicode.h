// Unicode text between its byte forms: UTF-8, ours, and UTF-16 big-endian,
// the Newton's own (its Dock protocol and its stored objects).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zd {

// What stands for a character that cannot be shown as itself.
inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// The next character of UTF-8 `text` from `*at`, which moves past it; -1 for
// a byte that does not begin a well-formed character (then passed over alone).
int64_t NextCharacter(std::string_view text, size_t* at);

// C0 and C1 control characters.
bool IsControlCharacter(int64_t c);
// The bidirectional controls, which turn the direction of the text around them.
bool TurnsDirection(int64_t c);
// Characters of private use, whose meaning is a font's or a system's own
// (the Newton's ink words among them).
bool IsPrivateUse(int64_t c);

// `text` with every character in one case, as a disk that ignores case
// compares names: each character mapped simply, as exFAT's table maps it.
std::string FoldedCase(std::string_view text);

// Appends character `c` to `out` in UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// Appends one UTF-16 code unit to `out`, big-endian.
void AppendUtf16Be(std::string& out, char16_t unit);

// UTF-16 big-endian `bytes` as UTF-8, up to the first zero character or the
// end (an odd last byte is no character).  A lone surrogate becomes U+FFFD.
std::string Utf16BeToUtf8(std::string_view bytes);

// UTF-8 `text` as UTF-16 big-endian, characters past U+FFFF as surrogate
// pairs; invalid UTF-8 becomes U+FFFD.  No zero character is added.
std::string Utf8ToUtf16Be(std::string_view text);

}  // namespace zd
