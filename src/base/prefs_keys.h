// The stored names of every preference, all in one section of the preference
// file.  Names and spelling are the file format: never change them.
#pragma once

namespace zd::prefs {

inline constexpr const char* kSection = "Prefs Section";

inline constexpr const char* kListen = "listen";          // switch: listen at start-up
inline constexpr const char* kSaveAsFile = "SaveAsFile";  // switch: items to files, not clipboard
inline constexpr const char* kUrl = "URL";                // switch: open "http:" items
inline constexpr const char* kSysTray = "SysTray";        // switch: tray mode
inline constexpr const char* kPort = "port";              // 0..3 serial slot; -1 the network pipe
inline constexpr const char* kDir = "Dir";                // string: the receive folder
inline constexpr const char* kLaunch = "Launch";          // counter: window initialisations
inline constexpr const char* kConnect = "Connect";        // counter: "#YOOHOO" greetings
inline constexpr const char* kStatus = "Status";          // switch: status view open
// The window rectangle.  The names mislead: "PosY" holds the right edge and
// "topx"/"bottomx" the vertical edges.
inline constexpr const char* kPosX = "PosX";        // left
inline constexpr const char* kPosY = "PosY";        // right
inline constexpr const char* kTopX = "topx";        // top
inline constexpr const char* kBottomX = "bottomx";  // bottom

// Where the network pipe listens.  Absent address: loopback only, so nobody on
// the network can push text to a user who did not ask for it.
inline constexpr const char* kNetAddress = "NetAddress";  // string, default "127.0.0.1"
inline constexpr const char* kNetPort = "NetPort";        // integer, default 3679
// Who may connect to the network port from another machine: addresses and
// CIDR ranges, comma-separated ("192.168.1.20,10.0.0.0/8"); the machine
// itself always may.
inline constexpr const char* kNetAllow = "NetAllow";
// Listen again by itself whenever a pipe has ended (switch, default 0 so that
// the window behaves as it always has).
inline constexpr const char* kRelisten = "Relisten";
// The byte form of text files: "UTF-8" (absent: the default) or "cp1252", the
// old desktops' form, for received items and files to send alike.
inline constexpr const char* kFileCharset = "FileCharset";
// The MNP window offered to a Newton: 1 to 8 frames unacknowledged (absent or
// out of range: 8); 1 puts exactly the classic bytes on the wire.
inline constexpr const char* kMnpWindow = "MnpWindow";
// Desktop notifications of what happens while the window is not the active
// one (switch; absent: on).
inline constexpr const char* kNotify = "Notify";
// What File, "Save the Newton's data…" saved the last time (switches;
// absent: on).
inline constexpr const char* kExportNotes = "ExportNotes";
inline constexpr const char* kExportNames = "ExportNames";
inline constexpr const char* kExportDates = "ExportDates";
inline constexpr const char* kExportToDo = "ExportToDo";
// Where the Newton's user browses for a package to install (string; absent
// or empty: the receive folder).
inline constexpr const char* kPackageDir = "PackageDir";
// The device of each serial slot ("/dev/ttyUSB0"); absent: a device found on
// this machine.
inline constexpr const char* kSerialDevice[] = {"Serial0", "Serial1", "Serial2", "Serial3"};

}  // namespace zd::prefs
