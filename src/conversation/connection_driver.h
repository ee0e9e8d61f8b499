// The Connection application's full connection on the session's pipe: the
// machine of full_connection.h fed with what the pipe brings and the time,
// its messages written, its notes logged, the entries of the Newton's notes
// saved as they come, and the pipe let go once it ends.  Text typed live
// goes out at once; a text sent whole (a file, the clipboard, a drop) is one
// transfer, which waits for the Newton as other transfers do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/export_choice.h"
#include "base/secret.h"

namespace zd {

struct Session;

// True while the full connection runs on the current pipe.
bool FullConnectionRuns(const Session& s);
// True once it is ready: past its greeting and password step.
bool FullConnectionReady(const Session& s);

// Starts the full connection on the connected pipe, whose first bytes said
// "newtdock": its goodbye is "disc" from now on.
void StartFullConnection(Session& s);

// A tick's turn: what came is read, the time passes, what is due is written;
// a connection that has ended lets the pipe go.  A reading of the Newton runs
// to its end within the turn, unless the front end serves it between ticks
// (DockState::readsBetweenTicks), as often as ReadingUnderWay says.
void ServeFullConnection(Session& s);

// True while a reading of the Newton (an export, a backup) runs.
bool ReadingUnderWay(const Session& s);
// True, with a line saying that `what` ("install the package") has to wait,
// while a reading runs.
bool ReadingBlocks(Session& s, const std::string& what);

// Types `text` on the Newton as one transfer: the keyboard opened where it
// is closed (and closed again after), every piece written and confirmed by
// the link.  `what` names the text in the log ("Note.txt", "the clipboard").
// True when all of it was typed.
bool TypeTransfer(Session& s, const std::string& text, const std::string& what);

// Saves the Newton's data `request` asks for, as it arrives (data_export.h),
// as a transfer the window waits for; the log says how it ended.  Before
// Connection has connected, the reading waits for it.
void ReadSoupsInto(Session& s, const ExportRequest& request);
// Backs the whole Newton up into `path` (a folder, or "" for the receive
// folder: its default name there) the same way (backup_file.h).
void BackUpInto(Session& s, const std::string& path);

// Where a password given for the Newton comes from.
enum class PasswordSource { kUser, kUserToRemember, kKeyring };

// The desktop's answer to LookUpPassword or AskPassword: the password, or
// none (the user cancelled, the keyring holds none).
void AnswerPasswordQuestion(Session& s, std::optional<Secret> password, PasswordSource source);

// Typing as the user types: the keyboard opens, each text or key goes out at
// once, and the keyboard closes again.  Nothing waits.
void OpenLiveKeyboard(Session& s);
void TypeLive(Session& s, const std::string& text);
void PressLiveKey(Session& s, char16_t key);
void CloseLiveKeyboard(Session& s);

}  // namespace zd
