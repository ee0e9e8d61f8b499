// Text from the desktop to the Newton: a text file, the clipboard, or text
// dropped on the window.  All three end in the catch sequence: "#CATCH" EOT,
// the Newton's four-byte reply, the converted text, EOT.
#pragma once

#include <optional>
#include <string>

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

}  // namespace zd
