// The only way the program writes to the screen: the message log, the state
// field and the transit field.
#pragma once

#include <cstdint>
#include <string_view>

namespace zd {

struct LinkSession;

// The line end the message log receives after each LogLine text.
inline constexpr std::string_view kLogLineEnd = "\r\n";
// LogText hands the log at most this many characters per request.
inline constexpr int32_t kLogPiece = 80;

// Appends `text`, then the line end, as two separate requests.
// REQUIRES: the front end has bound a display to the session.
void LogLine(LinkSession& s, std::string_view text);

// Appends `text` without a line end, in pieces of at most kLogPiece characters.
// A `length` of -1 means up to the terminating zero; 0 or less sends nothing.
// REQUIRES: as LogLine; `text` holds at least `length` characters.
void LogText(LinkSession& s, const char* text, int32_t length);

// Sets the state field to `name`.
void ShowState(LinkSession& s, std::string_view name);

// Sets the transit field to `count` in decimal, or to the empty text for 0.
void ShowTransit(LinkSession& s, int32_t count);
// Sets the transit field to `text`, a count with its noun ("27 notes").
void ShowTransitText(LinkSession& s, std::string_view text);

}  // namespace zd
