// Text from the desktop to the Newton: a text file, the clipboard, or text
// dropped on the window.  All three end in the catch sequence: "#CATCH" EOT,
// the Newton's four-byte reply, the converted text, EOT.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zd {

struct Session;

// Asks for a text file and sends its whole content.  Only a regular file of
// at most kItemCap bytes is read; anything else is refused with the reason.
void SendTextFile(Session& s);

// Sends the text on the clipboard.
void PasteToNewton(Session& s);

// Sends text (UTF-8) dropped on the window, when the Newton has been greeted;
// a drop without text sends nothing.  The drop always counts as accepted.
void SendDroppedText(Session& s, const std::optional<std::string>& text);

// Files dropped on the window are acknowledged, not sent.
void DropFiles(Session& s);

// What sending a file takes, on either road to the Newton:
// The whole content of the regular file at `path`, at most kItemCap bytes;
// anything else is refused with the reason (RefuseFile) and nullopt returned.
std::optional<std::string> ReadTextFile(Session& s, const std::string& path);
// A file's bytes as text (UTF-8), as "FileCharset" says to read them; what
// code page 1252 leaves undefined is counted in the log.
std::string DecodeTextFile(Session& s, std::string_view bytes);
// Tells the user why the file at `path` is not sent, in the log and as a
// file error.
void RefuseFile(Session& s, const std::string& path, const std::string& why);

}  // namespace zd
