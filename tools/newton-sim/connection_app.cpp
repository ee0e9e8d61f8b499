#include "connection_app.h"

#include <chrono>
#include <fstream>
#include <optional>
#include <thread>

#include "base/unicode.h"
#include "dock/dock_message.h"
#include "dock_talk.h"
#include "install_tap.h"
#include "newton_words.h"
#include "password_check.h"
#include "soup_server.h"

namespace zd::sim {
namespace {

// Version information as a MessagePad 2100 gives it (its id, Apple, the
// machine, ROM 2.2, then stage, memory, screen and the rest), then the
// owner's name in UTF-16 big-endian with its zero.
std::string NameData(const std::string& owner) {
    const uint32_t longs[] = {0x5A4E0001, 0x01000000, 0x10003000, 0x00020002, 0x00008000,
                              0x003ED000, 480,        320,        0,          1,
                              0x13630001, 100,        100,        4,          3,
                              0,          0x13630001, 11};
    std::string version;
    for (const uint32_t value : longs) version += dock::BigEndian32(value);
    return dock::BigEndian32(static_cast<uint32_t>(version.size())) + version +
           Utf8ToUtf16Be(owner) + std::string(2, '\0');
}

// Commands no desktop knows, one after the other until the desktop goes.
bool Flood(Conversation& c) {
    size_t sent = 0;
    for (;; ++sent) {
        const std::string command{'z', static_cast<char>('a' + sent % 26),
                                  static_cast<char>('a' + sent / 26 % 26), 'q'};
        if (!c.link.Send(dock::Encode(command, ""), c.timeoutMs)) break;
    }
    std::fprintf(stderr, "newton-sim: flooded the desktop with %zu commands\n", sent);
    return true;
}

}  // namespace

bool PlayConnection(Conversation& c, const DockPlay& play) {
    if (!SendMessage(c, words::kRequestToDock, dock::BigEndian32(words::kNewtonProtocol)))
        return false;
    const auto dock = Expect(c, words::kInitiateDocking);
    if (!dock) return false;
    if (dock->data.size() < 4 || dock::ReadBigEndian32(dock->data) != words::kLoadPackageSession) {
        c.error = "not a package-loading session";
        return false;
    }
    if (!SendMessage(c, words::kNewtonName, NameData(kOwner)) || !Expect(c, words::kSetTimeout) ||
        !SendMessage(c, words::kResult, dock::BigEndian32(0))) {
        return false;
    }
    for (size_t count = 1;; ++count) {
        const auto message = ReceiveMessage(c);
        if (!message) return false;
        if (message->command == words::kDisconnect) return true;
        if (message->command != words::kLoadPackage) {
            if (!SendMessage(c, words::kUnknownCommand, message->command)) return false;
            --count;
            continue;
        }
        std::ofstream(play.folder + "/package-" + std::to_string(count) + ".pkg", std::ios::binary)
            << message->data;
        std::fprintf(stderr, "newton-sim: package %zu, %zu bytes\n", count, message->data.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(play.resultDelayMs));
        const int32_t result = count == play.refuse ? play.refuseCode : 0;
        if (!SendMessage(c, words::kResult, dock::BigEndian32(static_cast<uint32_t>(result))))
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
        if (key == words::kBackspace) {
            // One character back, however many bytes it took.
            while (!m_text.empty() && (static_cast<uint8_t>(m_text.back()) & 0xC0) == 0x80)
                m_text.pop_back();
            if (!m_text.empty()) m_text.pop_back();
        } else if (key == words::kReturn) {
            m_text += '\n';
        } else if (key < words::kLeftArrow || key > words::kDownArrow) {
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
    if (!SendMessage(c, words::kRequestToDock, dock::BigEndian32(words::kNewtonProtocol)))
        return false;
    const auto dock = Expect(c, words::kInitiateDocking);
    if (!dock) return false;
    if (dock->data.size() < 4 || dock::ReadBigEndian32(dock->data) != words::kNoSession) {
        c.error = "not the full connection";
        return false;
    }
    if (!Answer(c, play, words::kNewtonName, NameData(play.owner))) return false;
    const auto info = Expect(c, words::kDesktopInfo);
    if (!info) return false;
    if (info->data.size() < 24 || dock::ReadBigEndian32(info->data) != words::kDesktopProtocol) {
        c.error = "a \"dinf\" without protocol version 10";
        return false;
    }
    if (!Answer(c, play, words::kNewtonInfo,
                dock::BigEndian32(words::kNewtonProtocol) + kChallenge))
        return false;
    const auto icons = Expect(c, words::kWhichIcons);
    if (!icons) return false;
    std::fprintf(stderr, "newton-sim: icons %u\n",
                 icons->data.size() >= 4 ? dock::ReadBigEndian32(icons->data) : 0u);
    if (!Answer(c, play, words::kResult, dock::BigEndian32(0)) || !Expect(c, words::kSetTimeout) ||
        // Its own answer to the desktop's challenge, under its password.
        !Answer(c, play, words::kPassword,
                ExpectedAnswer(info->data.substr(8, 8), play.password))) {
        return false;
    }
    // Three tries, as one peer allows: two refusals that let the desktop try
    // again, then one after which the link ends.
    const std::string expected = ExpectedAnswer(kChallenge, play.password);
    for (int tries = 1;; ++tries) {
        auto answer = ReceiveMessage(c);
        while (answer && answer->command == words::kHello) answer = ReceiveMessage(c);
        if (!answer) return false;
        if (answer->command == words::kDisconnect) {
            std::fprintf(stderr, "newton-sim: the desktop gave up after %d password answers\n",
                         tries - 1);
            c.error = "no password";
            return false;
        }
        if (answer->command != words::kPassword) {
            c.error = "expected \"pass\", got \"" + answer->command + "\"";
            return false;
        }
        if (answer->data == expected) {
            std::fprintf(stderr, "newton-sim: took password answer %d\n", tries);
            return true;
        }
        std::fprintf(stderr, "newton-sim: refused password answer %d\n", tries);
        const int32_t code = tries < 3 ? words::kWrongPassword : words::kBadPassword;
        if (!SendMessage(c, words::kResult, dock::BigEndian32(static_cast<uint32_t>(code))))
            return false;
        if (tries == 3) {
            c.error = "the password was wrong three times";
            return false;
        }
    }
}

}  // namespace

bool PlayFullConnection(Conversation& c, const FullPlay& play, std::optional<SimNewton>& newton) {
    if (!PlayGreeting(c, play)) return false;
    TypedText typed(play.typedFile);
    bool keyboard = false;
    bool askedForKeyboard = play.openKeyboard;
    if (play.openKeyboard && !SendMessage(c, words::kKeyboard, "")) return false;
    if (!play.ask.empty() && !SendMessage(c, play.ask, "")) return false;
    if (play.flood) return Flood(c);
    if (!newton && (!play.notes.folder.empty() || play.notes.data || play.notes.more))
        newton.emplace(NotesStores(play.notes));
    std::optional<SoupServer> soup;
    std::optional<SoupWriter> writer;
    if (newton) {
        soup.emplace(*newton, play.notes);
        writer.emplace(*newton, play.write);
    }
    if (!play.install.steps.empty() && !PlayInstallTap(c, play.install)) return false;
    if (play.notes.sync && !SendMessage(c, words::kSynchronize, "")) return false;
    if (play.notes.backup && !SendMessage(c, words::kRequestToSync, "")) return false;
    const auto typedSome = [&] {
        if (play.stopReadingAfter > 0 && typed.count() >= play.stopReadingAfter) {
            typed.Save();
            std::fprintf(stderr, "newton-sim: stopped reading\n");
            std::fflush(stderr);
            std::this_thread::sleep_for(std::chrono::milliseconds(c.timeoutMs));
            c.error = "stopped reading";
            return false;
        }
        if (play.vanishAfter > 0 && typed.count() >= play.vanishAfter) {
            typed.Save();
            std::fprintf(stderr, "newton-sim: vanished\n");
            std::fflush(stderr);
            std::_Exit(0);
        }
        if (keyboard && play.cancelAfter > 0 && typed.count() >= play.cancelAfter) {
            keyboard = false;
            typed.Save();
            return SendMessage(c, words::kOperationCancelled, "");
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
        if (command == words::kDisconnect) {
            typed.Save();
            return true;
        }
        if (command == words::kHello || command == words::kDesktopInControl ||
            command == words::kCancelAcknowledged) {
            continue;
        }
        if (command == words::kUnknownCommand) {
            std::fprintf(stderr, "newton-sim: the desktop did not know \"%s\"\n",
                         message->data.c_str());
            continue;
        }
        if (soup && SoupServer::Handles(command)) {
            if (!soup->Answer(c, *message)) return false;
            continue;
        }
        if (writer && SoupWriter::Handles(command)) {
            if (!writer->Answer(c, *message)) return false;
            continue;
        }
        if (command == words::kKeyboard) {
            if (askedForKeyboard) {
                askedForKeyboard = false;  // the desktop's answer to ours
            } else if (play.keyboardSilent) {
                continue;
            } else if (!Answer(c, play, words::kKeyboard)) {
                return false;
            }
            keyboard = true;
        } else if (command == words::kKeyboardString || command == words::kKeyboardCharacter) {
            // What comes after its user closed the keyboard was on its way; it is not typed.
            if (!keyboard) continue;
            if (command == words::kKeyboardString) {
                typed.Add(Utf16BeToUtf8(message->data));
            } else if (message->data.size() >= 2) {
                const auto& key = message->data;
                typed.Key(static_cast<char16_t>(static_cast<uint8_t>(key[0]) << 8 |
                                                static_cast<uint8_t>(key[1])));
            }
            if (!typedSome()) return false;
        } else if (command == words::kOperationDone) {
            keyboard = false;
            typed.Save();
        } else if (command == words::kOperationCancelled) {
            keyboard = false;
            typed.Save();
            if (!SendMessage(c, words::kCancelAcknowledged, "")) return false;
        } else {
            // As a Newton does: the desktop hears which command it did not know.
            std::fprintf(stderr, "newton-sim: did not know \"%s\"\n", command.c_str());
            if (!SendMessage(c, words::kUnknownCommand, command)) return false;
        }
    }
}

}  // namespace zd::sim
