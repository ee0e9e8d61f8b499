// The command and control ids of the main window: buttons, menus and the tray's
// speed menu all arrive at the window as one of these.
#pragma once

namespace zd::command {

inline constexpr int kOk = 1;      // the dialog's Enter
inline constexpr int kCancel = 2;  // the dialog's Escape
inline constexpr int kListen = 1005;
inline constexpr int kStatusView = 1006;
inline constexpr int kPreferences = 1007;
inline constexpr int kSendFile = 1008;
inline constexpr int kPaste = 1009;
inline constexpr int kDisconnect = 1010;
inline constexpr int kShowWindow = 1011;
inline constexpr int kAbout = 1012;
inline constexpr int kExit = 1031;  // the speed menu's Exit
inline constexpr int kCheckVersion = 1032;
inline constexpr int kNothing = 1033;
inline constexpr int kInstallPackage = 1034;  // packages through the Newton's Connection
inline constexpr int kUnsavedItems = 1035;    // the folder of items that could not be saved
inline constexpr int kTypeOnNewton = 1036;    // the field whose keys go to the Newton
inline constexpr int kSaveNotes = 1037;       // the Newton's notes as text files
inline constexpr int kReceiveFolder = 1038;   // the receive folder in the file manager
inline constexpr int kSaveData = 1039;        // the Newton's notes, Names, Dates and To Do
inline constexpr int kBackUp = 1040;          // the whole Newton in one file
inline constexpr int kPutFiles = 57601;       // the main menu's "Put files"
inline constexpr int kCopy = 57634;           // always greyed
inline constexpr int kCut = 57635;            // always greyed
inline constexpr int kAppExit = 57665;        // "E&xit": a close request

// Controls that are not commands.
inline constexpr int kDropArea = 136;
inline constexpr int kStateField = 1013;
inline constexpr int kTransitField = 1014;
inline constexpr int kMessageLog = 1015;

}  // namespace zd::command
