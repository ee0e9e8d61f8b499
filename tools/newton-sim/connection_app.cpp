#include "connection_app.h"

#include <chrono>
#include <fstream>
#include <optional>
#include <thread>

#include "base/unicode.h"
#include "dock/dock_message.h"
#include "dock/keyboard_text.h"
#include "dock/password.h"
#include "dock/soup_reading.h"

namespace zd::sim {
namespace {

// Newton OS 2.x speaks version 9 of the protocol.
constexpr uint32_t kProtocolVersion = 9;
constexpr const char16_t kOwner[] = u"Åsa Ørnskjöld";

bool SendMessage(Conversation& c, std::string_view command, const std::string& data) {
    if (c.link.Send(dock::Encode(command, data), c.timeoutMs)) return true;
    c.error = "sending \"" + std::string(command) + "\" failed";
    return false;
}

std::optional<dock::Message> ReceiveMessage(Conversation& c) {
    std::string header;
    if (!c.link.Receive(header, dock::kHeaderSize, c.timeoutMs)) {
        c.error = "no Dock message came";
        return std::nullopt;
    }
    const auto parsed = dock::ParseHeader(header);
    if (!parsed) {
        c.error = "not a Dock message: " + header;
        return std::nullopt;
    }
    std::string data;
    if (!c.link.Receive(data, parsed->length + dock::PaddingAfter(parsed->length), c.timeoutMs)) {
        c.error = "the \"" + parsed->command + "\" message came incomplete";
        return std::nullopt;
    }
    data.resize(parsed->length);
    return dock::Message{parsed->command, data};
}

std::optional<dock::Message> Expect(Conversation& c, std::string_view command) {
    auto message = ReceiveMessage(c);
    if (message && message->command != command) {
        c.error = "expected \"" + std::string(command) + "\", got \"" + message->command + "\"";
        return std::nullopt;
    }
    return message;
}

// Version information, then the owner's name in UTF-16 big-endian with its zero.
std::string NameData() {
    const std::string version(12, '\x01');
    std::string data = dock::BigEndian32(static_cast<uint32_t>(version.size())) + version;
    for (const char16_t c : kOwner) {
        data += static_cast<char>(c >> 8);
        data += static_cast<char>(c & 0xFF);
    }
    return data;
}

}  // namespace

bool PlayConnection(Conversation& c, const DockPlay& play) {
    if (!SendMessage(c, dock::kRequestToDock, dock::BigEndian32(kProtocolVersion))) return false;
    const auto dock = Expect(c, dock::kInitiateDocking);
    if (!dock) return false;
    if (dock->data.size() < 4 || dock::ReadBigEndian32(dock->data) != dock::kLoadPackageSession) {
        c.error = "not a package-loading session";
        return false;
    }
    if (!SendMessage(c, dock::kNewtonName, NameData()) || !Expect(c, dock::kSetTimeout) ||
        !SendMessage(c, dock::kResult, dock::BigEndian32(0))) {
        return false;
    }
    for (size_t count = 1;; ++count) {
        const auto message = ReceiveMessage(c);
        if (!message) return false;
        if (message->command == dock::kDisconnect) return true;
        if (message->command != dock::kLoadPackage) {
            c.error = "unexpected \"" + message->command + "\"";
            return false;
        }
        std::ofstream(play.folder + "/package-" + std::to_string(count) + ".pkg", std::ios::binary)
            << message->data;
        std::fprintf(stderr, "newton-sim: package %zu, %zu bytes\n", count, message->data.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(play.resultDelayMs));
        const int32_t result = count == play.refuse ? play.refuseCode : 0;
        if (!SendMessage(c, dock::kResult, dock::BigEndian32(static_cast<uint32_t>(result))))
            return false;
    }
}

namespace {

// The doc's captured challenge, whose right answer is known.
const std::string kChallenge("\xFF\x8D\xAA\xB8\x00\x20\x41\xD5", 8);

// What the Newton's keyboard shows, as the desktop types on it.
class TypedText {
public:
    explicit TypedText(std::string file) : m_file(std::move(file)) {}

    void Add(std::string_view utf8) {
        Began();
        for (char c : utf8) m_text += c == '\r' ? '\n' : c;
        m_count += CountCharacters(utf8);
    }
    void Key(char16_t key) {
        Began();
        ++m_count;
        if (key == dock::kBackspaceKey) {
            // One character back, however many bytes it took.
            while (!m_text.empty() && (static_cast<uint8_t>(m_text.back()) & 0xC0) == 0x80)
                m_text.pop_back();
            if (!m_text.empty()) m_text.pop_back();
        } else if (key == dock::kReturnKey) {
            m_text += '\n';
        } else if (key < dock::kLeftKey || key > dock::kDownKey) {
            AppendUtf8(m_text, key);
        }
    }
    size_t count() const { return m_count; }
    // Also says how long the typing took, for the benchmark.
    void Save() const {
        if (m_file.empty()) return;
        std::ofstream(m_file, std::ios::binary | std::ios::trunc) << m_text;
        const double ms = m_count == 0 ? 0
                                       : std::chrono::duration<double, std::milli>(
                                             std::chrono::steady_clock::now() - m_first)
                                             .count();
        std::fprintf(stderr, "newton-sim: typed %zu characters in %.3f ms\n", m_count, ms);
    }

private:
    void Began() {
        if (m_count == 0) m_first = std::chrono::steady_clock::now();
    }

    static size_t CountCharacters(std::string_view utf8) {
        size_t count = 0;
        for (char c : utf8) count += (static_cast<uint8_t>(c) & 0xC0) != 0x80;
        return count;
    }

    std::string m_file;
    std::string m_text;
    size_t m_count = 0;
    std::chrono::steady_clock::time_point m_first;
};

bool Answer(Conversation& c, const FullPlay& play, std::string_view command,
            const std::string& data = {}) {
    std::this_thread::sleep_for(std::chrono::milliseconds(play.answerDelayMs));
    return SendMessage(c, command, data);
}

// The greeting up to the password step; false when it did not get there.
bool PlayGreeting(Conversation& c, const FullPlay& play) {
    if (!SendMessage(c, dock::kRequestToDock, dock::BigEndian32(kProtocolVersion))) return false;
    const auto dock = Expect(c, dock::kInitiateDocking);
    if (!dock) return false;
    if (dock->data.size() < 4 || dock::ReadBigEndian32(dock->data) != dock::kNoSession) {
        c.error = "not the full connection";
        return false;
    }
    if (!Answer(c, play, dock::kNewtonName, NameData())) return false;
    const auto info = Expect(c, dock::kDesktopInfo);
    if (!info) return false;
    if (info->data.size() < 24 || dock::ReadBigEndian32(info->data) != 10) {
        c.error = "a \"dinf\" without protocol version 10";
        return false;
    }
    if (!Answer(c, play, dock::kNewtonInfo, dock::BigEndian32(kProtocolVersion) + kChallenge))
        return false;
    const auto icons = Expect(c, dock::kWhichIcons);
    if (!icons) return false;
    std::fprintf(stderr, "newton-sim: icons %u\n",
                 icons->data.size() >= 4 ? dock::ReadBigEndian32(icons->data) : 0u);
    if (!Answer(c, play, dock::kResult, dock::BigEndian32(0)) || !Expect(c, dock::kSetTimeout) ||
        !Answer(c, play, dock::kPassword, std::string(8, '\x5A'))) {
        return false;
    }
    const auto password = Expect(c, dock::kPassword);
    if (!password) return false;
    const bool right = password->data == dock::PasswordAnswer(kChallenge);
    if (right && !play.password) return true;
    // A Newton with a password takes no answer; a wrong one ends it at once.
    const int32_t code = play.password ? dock::kWrongPassword : dock::kBadPassword;
    std::fprintf(stderr, "newton-sim: refused the password answer\n");
    if (!SendMessage(c, dock::kResult, dock::BigEndian32(static_cast<uint32_t>(code))))
        return false;
    c.error = right ? "a password is set" : "the desktop's password answer is wrong";
    const auto after = ReceiveMessage(c);
    if (play.password && after && after->command == dock::kDisconnect) return true;
    return false;
}

}  // namespace

bool PlayFullConnection(Conversation& c, const FullPlay& play) {
    if (!PlayGreeting(c, play)) return false;
    if (play.password) return true;
    TypedText typed(play.typedFile);
    bool keyboard = false;
    bool askedForKeyboard = play.openKeyboard;
    if (play.openKeyboard && !SendMessage(c, dock::kKeyboard, "")) return false;
    if (!play.ask.empty() && !SendMessage(c, play.ask, "")) return false;
    std::optional<NotesSoup> soup;
    if (!play.notes.folder.empty()) soup.emplace(play.notes);
    if (play.notes.sync && !SendMessage(c, dock::kRequestToSync, "")) return false;
    const auto typedSome = [&] {
        if (play.vanishAfter > 0 && typed.count() >= play.vanishAfter) {
            typed.Save();
            std::fprintf(stderr, "newton-sim: vanished\n");
            std::fflush(stderr);
            std::_Exit(0);
        }
        if (keyboard && play.cancelAfter > 0 && typed.count() >= play.cancelAfter) {
            keyboard = false;
            typed.Save();
            return SendMessage(c, dock::kOperationCancelled, "");
        }
        return true;
    };
    for (;;) {
        const auto message = ReceiveMessage(c);
        if (!message) {
            typed.Save();
            return false;
        }
        const std::string& command = message->command;
        if (command == dock::kDisconnect) {
            typed.Save();
            return true;
        }
        if (command == dock::kHello || command == dock::kDesktopInControl ||
            command == dock::kCancelAcknowledged) {
            continue;
        }
        if (soup && NotesSoup::Handles(command)) {
            if (!soup->Answer(c, *message)) return false;
            continue;
        }
        if (command == dock::kKeyboard) {
            if (askedForKeyboard) {
                askedForKeyboard = false;  // the desktop's answer to ours
            } else if (play.keyboardSilent) {
                continue;
            } else if (!Answer(c, play, dock::kKeyboard)) {
                return false;
            }
            keyboard = true;
        } else if (command == dock::kKeyboardString || command == dock::kKeyboardCharacter) {
            // What comes after its user closed the keyboard was on its way; it is not typed.
            if (!keyboard) continue;
            if (command == dock::kKeyboardString) {
                typed.Add(Utf16BeToUtf8(message->data));
            } else if (message->data.size() >= 2) {
                const auto& key = message->data;
                typed.Key(static_cast<char16_t>(static_cast<uint8_t>(key[0]) << 8 |
                                                static_cast<uint8_t>(key[1])));
            }
            if (!typedSome()) return false;
        } else if (command == dock::kOperationDone) {
            keyboard = false;
            typed.Save();
        } else if (command == dock::kOperationCancelled) {
            keyboard = false;
            typed.Save();
            if (!SendMessage(c, dock::kCancelAcknowledged, "")) return false;
        } else {
            c.error = "unexpected \"" + command + "\"";
            typed.Save();
            return false;
        }
    }
}

}  // namespace zd::sim
