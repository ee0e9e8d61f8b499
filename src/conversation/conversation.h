// The conversations a connected Newton can hold above the link, and the one
// place that chooses between them: the Zandorelle package's (protocol/,
// transfer/), or the Connection application's (dock/) — a package-loading
// session when packages wait for it, the full connection otherwise.  The
// user's actions arrive here and take the road of the conversation that runs:
// text to the Newton goes by the catch sequence to the package, and by
// keyboard passthrough to Connection.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/export_choice.h"

namespace zd {

struct Session;

// How long a Newton has after its connection to speak first: the Connection
// application does, the Zandorelle package waits to be greeted.
inline constexpr int64_t kSpeakFirstMs = 500;

// One tick: the link's part, then the conversation's turn and the pending
// greeting.
void PollTick(Session& s);

// Clears the pending action, then runs it: the greeting, which starts the
// conversation the Newton holds.
void RunPendingAction(Session& s);

// The window's buttons (poll_tick.h's codes).  Unknown codes do nothing.
void ButtonCommand(Session& s, int32_t code);

// Text (UTF-8) dropped on the window; a drop without text sends nothing.
void OnTextDropped(Session& s, const std::optional<std::string>& text);
// Files dropped on the window: typed on the Newton through Connection, only
// acknowledged by the Zandorelle package.
void OnFilesDropped(Session& s, const std::vector<std::string>& paths);

// True while text can be typed on the Newton: its Connection application
// holds the full connection.
bool TypingPossible(const Session& s);
// Says in the log why typing is not possible now.
void ExplainTypingImpossible(Session& s);
// TypingPossible, or false with the reason in the log.
bool ReadyToType(Session& s);
// The text of the file at `path` as it would be typed, or nullopt with the
// reason logged and shown: only a regular text file of at most 16 MiB is.
std::optional<std::string> TextFileToType(Session& s, const std::string& path);
// Types the text file at `path` on the Newton; true when all of it was typed.
bool TypeFile(Session& s, const std::string& path);
// Types `text` on the Newton as one transfer; true when all of it was typed.
bool TypeText(Session& s, const std::string& text);

// Saves the Newton's data `request` asks for (its notes alone, or its notes,
// Names, Dates and To Do) through its Connection application; when it is not
// connected yet, the program listens for it, and the data are read once it
// has connected.
void SaveNewtonData(Session& s, const ExportRequest& request);
// Backs the whole Newton up into `path` ("" for its default name in the
// receive folder) the same way.
void BackUpNewton(Session& s, const std::string& path);

}  // namespace zd
