// The Newton Dock protocol's messages: "newtdock", a four-letter command, the
// data's length as a 32-bit big-endian number, the data, and zero bytes to a
// multiple of four.  Both ends read them as a byte stream: a message may span
// many MNP frames, and a frame may end one message and begin the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zd::dock {

inline constexpr std::string_view kMagic = "newtdock";
inline constexpr size_t kHeaderSize = 16;

// The commands of a package-loading session.
inline constexpr std::string_view kRequestToDock = "rtdk";
inline constexpr std::string_view kInitiateDocking = "dock";
inline constexpr std::string_view kNewtonName = "name";
inline constexpr std::string_view kSetTimeout = "stim";
inline constexpr std::string_view kResult = "dres";
inline constexpr std::string_view kLoadPackage = "lpkg";
inline constexpr std::string_view kDisconnect = "disc";

// The full connection's greeting and what may come at any time after it.
inline constexpr std::string_view kDesktopInfo = "dinf";
inline constexpr std::string_view kNewtonInfo = "ninf";
inline constexpr std::string_view kWhichIcons = "wicn";
inline constexpr std::string_view kPassword = "pass";
inline constexpr std::string_view kHello = "helo";
inline constexpr std::string_view kOperationCancelled = "opca";
inline constexpr std::string_view kCancelAcknowledged = "ocaa";
inline constexpr std::string_view kOperationDone = "opdn";
inline constexpr std::string_view kDesktopInControl = "dsnc";
// Either side's answer to a command it does not know; its data are the four letters.
inline constexpr std::string_view kUnknownCommand = "unkn";

// Keyboard passthrough.
inline constexpr std::string_view kKeyboard = "kybd";
inline constexpr std::string_view kKeyboardString = "kbds";
inline constexpr std::string_view kKeyboardCharacter = "kbdc";

// The seconds we ask the Newton to wait for us ("stim"), and we wait for
// its answers in the full connection.
inline constexpr uint32_t kTimeoutSeconds = 30;
inline constexpr int64_t kAnswerMs = int64_t{kTimeoutSeconds} * 1000;

inline constexpr uint32_t kNoSession = 0;
inline constexpr uint32_t kLoadPackageSession = 4;

// The icons of the Newton's Connection application, as "wicn" offers them.
enum Icon : uint32_t {
    kBackupIcon = 1,
    kRestoreIcon = 2,
    kInstallIcon = 4,
    kImportIcon = 8,
    kSynchroniseIcon = 16,
    kKeyboardIcon = 32,
};

// The Newton's answers to a password it does not take: another may be
// tried, and the last try failed.
inline constexpr int32_t kWrongPassword = -28023;
inline constexpr int32_t kBadPassword = -28022;

struct Header {
    std::string command;
    uint32_t length = 0;  // of the data, the padding not counted
};

struct Message {
    std::string command;
    std::string data;
};

std::string BigEndian32(uint32_t value);
// The first four bytes of `bytes` as a big-endian number.  REQUIRES: four bytes.
uint32_t ReadBigEndian32(std::string_view bytes);

// The zero bytes after `length` bytes of data.
size_t PaddingAfter(uint32_t length);

// The message on the wire, padding included.
std::string Encode(std::string_view command, std::string_view data);

// The header in the first kHeaderSize bytes of `bytes`; nullopt when they do
// not begin with kMagic.  REQUIRES: kHeaderSize bytes.
std::optional<Header> ParseHeader(std::string_view bytes);

// The error code a "dres" message carries (0: none); 0 for data too short to
// hold one.
int32_t ResultCode(const Message& message);

// A command's four letters in quotes for the log, their bytes made printable.
std::string QuotedCommand(std::string_view command);

// The owner's name in the data of a "name" message, as UTF-8 made printable;
// nullopt when the data is too short for what it says it holds.
std::optional<std::string> OwnerName(std::string_view data);

// What a "name" message says of the Newton before its owner's name: the
// version information, a run of 32-bit numbers.
struct NewtonInfo {
    std::string block;  // as it came, its length word not included
    uint32_t id = 0;    // nearly unique to one Newton
    uint32_t manufacturer = 0;
    uint32_t machineType = 0;
    uint32_t romVersion = 0;  // the major version in the upper 16 bits
    // The Newton runs Newton OS 1.x, whose data a 2.x Newton converts.
    bool oneX() const { return romVersion < 0x00020000; }
};

// The version information in the data of a "name" message; nullopt when it
// is too short to say who made the Newton and which ROM it runs.
std::optional<NewtonInfo> ReadNewtonInfo(std::string_view data);

// Messages from a stream of bytes as they come.
class Reader {
public:
    // Messages with more than `maxData` bytes of data are refused.
    explicit Reader(size_t maxData) : m_maxData(maxData) {}

    void Feed(std::string_view bytes);
    // The next whole message, once it has come.  Nothing more after failed().
    std::optional<Message> Next();
    // True once the stream held something that is no Dock message; error()
    // says what.
    bool failed() const { return !m_error.empty(); }
    const std::string& error() const { return m_error; }

private:
    std::string m_buffer;
    size_t m_taken = 0;  // bytes of m_buffer already handed out as messages
    size_t m_maxData;
    std::string m_error;
};

}  // namespace zd::dock
