// Where a received item is saved.  The item's name comes from the Newton, so it
// is made safe before it becomes a file name: nothing ever lands outside the
// receive folder.
#pragma once

#include <ctime>
#include <map>
#include <set>
#include <string>
#include <string_view>

namespace zd {

class PrefsStore;

// The receive folder the "Dir" preference names; empty means the home folder.
std::string ReceiveFolder(const std::string& dir);
// The receive folder as the preferences name it now.
std::string ReceiveFolderOf(const PrefsStore& prefs);

// `text` (UTF-8) made safe as a file name on any disk: C0 and C1 control
// characters, those that turn the direction of text or break its line,
// private-use characters, invalid UTF-8, a leading "." and the characters
// FAT, exFAT and Windows refuse (/ \ : * ? " < > |) become "_"; the last dots
// and spaces go, and a device name of Windows ("CON", "com1.txt") gets a "_"
// after it.  A name is 200 bytes at most.
std::string SafeFileName(std::string_view text);

// A file name (without ".txt") for an item named `itemName` by the Newton: its
// Mac letters read as the text's are, in UTF-8, and made safe.  Empty when
// the name is empty.
std::string ItemFileName(std::string_view itemName);

// The name an item without one gets: "item-" and the time `now`, with "-N"
// after it for the N-th such name in one second (`serial` 2 and on).
std::string GeneratedItemName(std::time_t now, int serial);

// `name` itself for `serial` 1, and "name-N" for the N-th of the same name.
std::string NumberedName(const std::string& name, int serial);

// The names one export hands out, numbered as NumberedName numbers them
// where they would meet, also where they differ only in case (a FAT or
// exFAT disk, a Windows share or a Mac's takes "Plan" and "PLAN" as one).
class UniqueNames {
public:
    // `stem`, numbered when this handed out that name before, and `extension`.
    std::string Take(const std::string& stem, const std::string& extension);

private:
    std::set<std::string> m_taken;
    // Each name's numbers go on where the last one of that name left them,
    // so that many of one name cost no more than many different ones.
    std::map<std::string, int> m_nextSerial;
};

// Writes `bytes` whole as `path`, replacing the file of that name, but never a
// link planted there, nor what it points to.  0, or the errno of the failure
// (ELOOP for a link).
int ReplaceFile(const std::string& path, std::string_view bytes);

// Writes `bytes` whole as `folder`/NAME.txt, where NAME is `name` or, when
// that is taken, the first free numbered name: never over another file.
// Returns the path, or "" with the errno of the failure in `*error`.
std::string WriteUniqueFile(const std::string& folder, const std::string& name,
                            std::string_view bytes, int* error);

}  // namespace zd
