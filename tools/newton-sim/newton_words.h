// What the Newton's Connection application says and understands, spelled as
// Apple's description of the Dock protocol spells it.  newton-sim writes
// these out itself instead of taking the program's own constants, so that a
// word the program gets wrong makes a test fail.
#pragma once

#include <cstdint>
#include <string_view>

namespace zd::sim::words {

// The session and its greeting.
inline constexpr std::string_view kRequestToDock = "rtdk";
inline constexpr std::string_view kInitiateDocking = "dock";
inline constexpr std::string_view kNewtonName = "name";
inline constexpr std::string_view kDesktopInfo = "dinf";
inline constexpr std::string_view kNewtonInfo = "ninf";
inline constexpr std::string_view kWhichIcons = "wicn";
inline constexpr std::string_view kSetTimeout = "stim";
inline constexpr std::string_view kPassword = "pass";
inline constexpr std::string_view kResult = "dres";
inline constexpr std::string_view kDisconnect = "disc";
inline constexpr std::string_view kLoadPackage = "lpkg";

// At any time once connected.
inline constexpr std::string_view kHello = "helo";
inline constexpr std::string_view kOperationCancelled = "opca";
inline constexpr std::string_view kCancelAcknowledged = "ocaa";
inline constexpr std::string_view kOperationDone = "opdn";
inline constexpr std::string_view kDesktopInControl = "dsnc";
inline constexpr std::string_view kUnknownCommand = "unkn";

// Keyboard passthrough.
inline constexpr std::string_view kKeyboard = "kybd";
inline constexpr std::string_view kKeyboardString = "kbds";
inline constexpr std::string_view kKeyboardCharacter = "kbdc";

// Synchronisation and the soups ("ssyn" is also what the Backup icon sends).
inline constexpr std::string_view kRequestToSync = "ssyn";
inline constexpr std::string_view kGetSyncOptions = "gsyn";
inline constexpr std::string_view kSyncOptions = "sopt";
inline constexpr std::string_view kSetStoreGetNames = "ssgn";
inline constexpr std::string_view kSoupNames = "soup";
inline constexpr std::string_view kSetSoupGetInfo = "ssgi";
inline constexpr std::string_view kSoupInfo = "sinf";
inline constexpr std::string_view kSendSoup = "snds";
inline constexpr std::string_view kEntry = "entr";
inline constexpr std::string_view kSoupDone = "bsdn";
// A whole backup's.
inline constexpr std::string_view kGetStoreNames = "gsto";
inline constexpr std::string_view kStoreNames = "stor";
inline constexpr std::string_view kSetStore = "ssto";
inline constexpr std::string_view kGetSoupNames = "gets";
inline constexpr std::string_view kSetSoup = "ssou";

// What a backup asks besides, for a restore.
inline constexpr std::string_view kSetVboCompression = "cvbo";
inline constexpr std::string_view kLastSyncTime = "stme";
inline constexpr std::string_view kCurrentTime = "time";
inline constexpr std::string_view kGetAppNames = "gapp";
inline constexpr std::string_view kAppNames = "appn";
inline constexpr std::string_view kGetIndexDescription = "gind";
inline constexpr std::string_view kIndexDescription = "indx";
inline constexpr std::string_view kGetSoupInfo = "gsin";

// A restore's.
inline constexpr std::string_view kRequestToRestore = "rrst";
inline constexpr std::string_view kSourceVersion = "sver";
inline constexpr std::string_view kCreateSoup = "csop";
inline constexpr std::string_view kCreateDefaultSoup = "cdsp";
inline constexpr std::string_view kSetSoupInfo = "sinf";
inline constexpr std::string_view kSetSoupSignature = "ssos";
inline constexpr std::string_view kSetStoreSignature = "ssig";
inline constexpr std::string_view kAddEntryWithUniqueId = "auni";
inline constexpr std::string_view kAddEntry = "adde";
inline constexpr std::string_view kAddedId = "adid";
inline constexpr std::string_view kChangedEntry = "cent";
inline constexpr std::string_view kReturnEntry = "rete";
inline constexpr std::string_view kDeleteEntries = "dele";
inline constexpr std::string_view kEmptySoup = "esou";
inline constexpr std::string_view kDeleteSoup = "dsou";
inline constexpr std::string_view kRemovePackage = "rmvp";

// The Newton's Synchronize icon.
inline constexpr std::string_view kSynchronize = "sync";

// Its Install icon: browsing the desktop's files.
inline constexpr std::string_view kRequestToBrowse = "rtbr";
inline constexpr std::string_view kGetDefaultPath = "dpth";
inline constexpr std::string_view kPath = "path";
inline constexpr std::string_view kGetFilesAndFolders = "gfil";
inline constexpr std::string_view kFilesAndFolders = "file";
inline constexpr std::string_view kSetPath = "spth";
inline constexpr std::string_view kGetFileInfo = "gfin";
inline constexpr std::string_view kFileInfo = "finf";
inline constexpr std::string_view kLoadPackageFile = "lpfl";
inline constexpr std::string_view kSetStoreToDefault = "sdef";

// Session types of "dock", and the protocol versions.
inline constexpr uint32_t kNoSession = 0;
inline constexpr uint32_t kLoadPackageSession = 4;
inline constexpr uint32_t kNewtonProtocol = 9;
inline constexpr uint32_t kDesktopProtocol = 10;

// Results: a wrong password (another try allowed), the last try spent, no
// such soup or store.
inline constexpr int32_t kWrongPassword = -28023;
inline constexpr int32_t kBadPassword = -28022;
inline constexpr int32_t kNoSuchSoup = -28015;
inline constexpr int32_t kNoSuchStore = -28014;
// A command whose data the Newton cannot read, and an entry it refuses.
inline constexpr int32_t kProtocolError = -28012;
inline constexpr int32_t kInvalidEntry = -28002;
inline constexpr int32_t kEntryNotFound = -28008;

// Keys of "kbdc" that are no characters.
inline constexpr char16_t kBackspace = 0x08;
inline constexpr char16_t kReturn = 0x0D;
inline constexpr char16_t kLeftArrow = 0x1C;
inline constexpr char16_t kDownArrow = 0x1F;

}  // namespace zd::sim::words
