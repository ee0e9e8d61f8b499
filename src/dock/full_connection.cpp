#include "dock/full_connection.h"

#include <algorithm>
#include <random>

#include "base/printable.h"
#include "dock/keyboard_text.h"
#include "dock/password.h"
#include "nsof/nsof.h"

namespace zd::dock {
namespace {

constexpr uint32_t kDesktopProtocolVersion = 10;
// The Newton's file dialog takes a Macintosh's layout (the desktop, a disk,
// folders) from real desktops; nothing else the Newton does is known to
// depend on the type.
constexpr uint32_t kMacintoshDesktop = 0;
constexpr uint32_t kSettingUpSession = 1;
constexpr const char* kProgramName = "Zandorelle";

// After the last of a run of unknown commands, the run is counted in the log.
constexpr int64_t kRepeatsSettleMs = 1000;
// A password answer the Newton did not refuse within this time has been
// taken: it says nothing when it takes one.
constexpr int64_t kPasswordTakenMs = 500;
// Answers waiting to be written at most: a Newton that asks faster than it
// reads the answers is no Newton, and its answers would pile up.
constexpr size_t kMaxWaitingAnswers = 64;

// A challenge for the Newton's password step.
std::string NewChallenge() {
    std::random_device random;
    std::string challenge;
    for (size_t i = 0; i < kChallengeSize; ++i) challenge += static_cast<char>(random());
    return challenge;
}

// "dinf": who we are, the challenge the Newton answers, and the programs of
// ours the Newton may name.
std::string DesktopInfo(const std::string& challenge) {
    nsof::Frame program;
    program.slots = {{"id", nsof::Value{int32_t{2}}},
                     {"name", nsof::Value{nsof::String{kProgramName}}},
                     {"version", nsof::Value{int32_t{1}}}};
    nsof::Array programs;
    programs.elements.push_back(nsof::Value{std::move(program)});
    return BigEndian32(kDesktopProtocolVersion) + BigEndian32(kMacintoshDesktop) + challenge +
           BigEndian32(kSettingUpSession) + BigEndian32(0) +
           nsof::Encode(nsof::Value{std::move(programs)});
}

std::string IconNames(uint32_t icons) {
    const std::pair<uint32_t, const char*> names[] = {
        {kBackupIcon, "Backup"}, {kRestoreIcon, "Restore"},         {kInstallIcon, "Install"},
        {kImportIcon, "Import"}, {kSynchroniseIcon, "Synchronise"}, {kKeyboardIcon, "Keyboard"},
    };
    std::string text;
    for (const auto& [icon, name] : names) {
        if (!(icons & icon)) continue;
        text += (text.empty() ? "" : ", ") + std::string(name);
    }
    return text;
}

}  // namespace

std::string PasswordQuestion(size_t refused) {
    if (refused == 0) return "The Newton asks for its Connection password.";
    const size_t left = refused < kPasswordTries ? kPasswordTries - refused : 0;
    return "The Newton refused that password (" + Counted(left, "try", "tries") + " left).";
}

FullConnection::FullConnection(int64_t now, std::string challenge)
    : m_ourChallenge(challenge.size() == kChallengeSize ? std::move(challenge) : NewChallenge()),
      m_lastSentMs(now) {
    Expect(Step::kRequest, now);
}

void FullConnection::Receive(std::string_view bytes, int64_t now) {
    if (m_phase == Phase::kEnded) return;
    m_reader.Feed(bytes);
    while (m_phase != Phase::kEnded) {
        const auto message = m_reader.Next();
        if (!message) break;
        OnMessage(*message, now);
        if (m_control.size() > kMaxWaitingAnswers) {
            m_control.clear();
            End("The Newton asked for more than it read of the answers; the connection has "
                "ended.",
                false);
        }
    }
    if (m_reader.failed() && m_phase != Phase::kEnded) {
        End("The Newton sent something that is no Dock message (" + m_reader.error() +
                "); the connection has ended.",
            true);
    }
}

void FullConnection::Tick(int64_t now) {
    if (m_phase == Phase::kEnded) return;
    if (m_reading) m_reading->Tick(now);
    if (m_browsing) m_browsing->Tick(now);
    if (passwordWanted() && now >= m_deadline) {
        End("No password was given within the Newton's " + std::to_string(kTimeoutSeconds) +
                " s; the connection has ended.",
            true);
        return;
    }
    if (m_step == Step::kPasswordSent && now >= m_deadline) {
        PasswordTaken(now);
    } else if (m_phase == Phase::kGreeting && now >= m_deadline) {
        End("The Newton did not answer within " + std::to_string(kTimeoutSeconds) +
                " s; the connection has ended.",
            true);
        return;
    }
    if (m_keyboard == Keyboard::kOpening && now >= m_deadline) {
        KeyboardLost("The Newton did not open its keyboard within " +
                     std::to_string(kTimeoutSeconds) + " s");
        return;
    }
    if (m_unknownRepeats > 0 && now - m_lastUnknownMs >= kRepeatsSettleMs) CountRepeats();
    // While the user thinks of the password, the Newton is kept waiting too.
    const bool waiting = m_phase == Phase::kConnected || passwordWanted();
    if (waiting && m_control.empty() && now - m_lastSentMs >= kHelloMs) Send(kHello);
}

size_t FullConnection::Type(std::string_view text, int64_t now) {
    if (m_phase == Phase::kEnded) return 0;
    const KeyboardText keyboard = ToKeyboardText(text);
    size_t queued = 0;
    for (size_t i = 0; i < keyboard.pieces.size(); ++i) {
        m_typing.push_back({Encode(kKeyboardString, keyboard.pieces[i]), keyboard.characters[i]});
        queued += keyboard.characters[i];
    }
    m_waiting += queued;
    if (keyboard.replaced > 0) {
        Note(Characters(keyboard.replaced) + " went as \"?\": the Newton cannot show them.");
    }
    if (keyboard.zeros > 0)
        Note(std::to_string(keyboard.zeros) + " zero characters were left out.");
    if (queued > 0) OpenKeyboard(now);
    return queued;
}

void FullConnection::PressKey(char16_t key, int64_t now) {
    if (m_phase == Phase::kEnded) return;
    m_typing.push_back({Encode(kKeyboardCharacter, KeyData(key)), 1});
    ++m_waiting;
    OpenKeyboard(now);
}

void FullConnection::OpenKeyboard(int64_t now) {
    m_closeWhenTyped = false;
    if (m_keyboard != Keyboard::kClosed || m_phase == Phase::kEnded) return;
    if (m_phase == Phase::kGreeting) {
        m_keyboardWanted = true;
        return;
    }
    Send(kDesktopInControl);
    Send(kKeyboard);
    m_keyboard = Keyboard::kOpening;
    m_unknownAnswered = false;
    m_deadline = now + kAnswerMs;
}

void FullConnection::CloseKeyboard(int64_t) {
    m_keyboardWanted = false;
    if (m_keyboard == Keyboard::kClosed) return;
    m_closeWhenTyped = true;
}

void FullConnection::Lost() {
    if (m_phase == Phase::kEnded) return;
    End(CountingWhatWasNotTyped("The Newton left the connection"), false);
}

void FullConnection::StoppedReading() {
    if (m_phase == Phase::kEnded) return;
    m_control.clear();
    End(CountingWhatWasNotTyped("The Newton stopped reading what was sent to it; the "
                                "connection has ended"),
        false);
}

std::optional<std::string> FullConnection::NextMessage(int64_t now) {
    if (m_keyboard == Keyboard::kOpen && m_typing.empty() && m_closeWhenTyped) {
        m_keyboard = Keyboard::kClosed;
        m_closeWhenTyped = false;
        Send(kOperationDone);
    }
    std::string message;
    if (!m_control.empty()) {
        message = std::move(m_control.front());
        m_control.pop_front();
    } else if (m_keyboard == Keyboard::kOpen && !m_typing.empty()) {
        message = std::move(m_typing.front().message);
        m_typed += m_typing.front().characters;
        m_waiting -= m_typing.front().characters;
        m_typing.pop_front();
    } else {
        return std::nullopt;
    }
    m_lastSentMs = now;
    return message;
}

void FullConnection::Wrote(int64_t now) {
    m_lastSentMs = now;
    if (m_browsing) m_browsing->Wrote(now);
}

std::vector<std::string> FullConnection::TakeNotes() {
    std::vector<std::string> notes;
    notes.swap(m_notes);
    return notes;
}

std::vector<Happening> FullConnection::TakeHappenings() {
    std::vector<Happening> happenings;
    happenings.swap(m_happenings);
    return happenings;
}

void FullConnection::OnMessage(const Message& message, int64_t now) {
    // The Newton saying it is alive asks for nothing, in any step.
    if (message.command == kHello) return;
    if (message.command == kDisconnect) {
        End(CountingWhatWasNotTyped("The Newton ended the connection"), false);
        return;
    }
    if (message.command == kUnknownCommand) {
        NotUnderstood(message.data.substr(0, 4), now);
        return;
    }
    if (m_phase == Phase::kGreeting) {
        OnGreeting(message, now);
    } else {
        OnConnected(message, now);
    }
}

void FullConnection::OnGreeting(const Message& message, int64_t now) {
    const auto expected = [&]() -> std::string_view {
        switch (m_step) {
            case Step::kRequest:
                return kRequestToDock;
            case Step::kName:
                return kNewtonName;
            case Step::kInfo:
                return kNewtonInfo;
            case Step::kIconsResult:
                return kResult;
            default:
                return kPassword;
        }
    }();
    // The Newton may confirm our timeout before it sends its password.
    if (m_step == Step::kPassword && message.command == kResult && ResultCode(message) == 0) return;
    if (passwordWanted()) {
        // Nothing was answered since the question: a "try again" now is no
        // refusal of anything, and asks nothing more of the user.
        if (message.command == kResult && ResultCode(message) == kWrongPassword) return;
        if (message.command != kResult || !PasswordRefused(ResultCode(message), now))
            UnknownCommand(message.command, now);
        return;
    }
    if (m_step == Step::kPasswordSent) {
        if (message.command == kResult && PasswordRefused(ResultCode(message), now)) return;
        PasswordTaken(now);
        OnConnected(message, now);
        return;
    }
    if (message.command != expected) {
        End("The Newton said " + QuotedCommand(message.command) +
                " where its Connection application says " + QuotedCommand(expected) +
                "; the connection has ended.",
            true);
        return;
    }
    switch (m_step) {
        case Step::kRequest:
            Send(kInitiateDocking, BigEndian32(kNoSession));
            Expect(Step::kName, now);
            break;
        case Step::kName: {
            const auto owner = OwnerName(message.data);
            m_owner = owner.value_or("");
            Note(m_owner.empty() ? "Connected to the Newton."
                                 : "Connected to " + m_owner + "'s Newton.");
            Send(kDesktopInfo, DesktopInfo(m_ourChallenge));
            Expect(Step::kInfo, now);
            break;
        }
        case Step::kInfo:
            if (message.data.size() < 4 + kChallengeSize) {
                End("The Newton's \"ninf\" holds no challenge; the connection has ended.", true);
                return;
            }
            Send(kWhichIcons, BigEndian32(kOfferedIcons));
            Note("Offered on the Newton: " + IconNames(kOfferedIcons) + ".");
            m_challenge = message.data.substr(4, kChallengeSize);
            Expect(Step::kIconsResult, now);
            break;
        case Step::kIconsResult:
            Send(kSetTimeout, BigEndian32(kTimeoutSeconds));
            Expect(Step::kPassword, now);
            break;
        default:
            // The Newton answered our challenge with its password: one
            // without a password answers as the empty one does.  A Newton that
            // has one is asked for it, and no try of its few is spent on a
            // password nobody gave.
            if (!m_password.empty() || message.data == PasswordAnswer(m_ourChallenge)) {
                AnswerPassword(now);
            } else {
                AskForPassword(now);
            }
            break;
    }
}

void FullConnection::AskForPassword(int64_t now) {
    m_phase = Phase::kGreeting;
    Expect(Step::kPasswordWanted, now);
    ++m_passwordQuestions;
    Note(PasswordQuestion(m_refusedAnswers.size()));
}

void FullConnection::AnswerPassword(int64_t now) {
    m_answer = PasswordAnswer(m_challenge, m_password.text());
    Send(kPassword, m_answer);
    m_step = Step::kPasswordSent;
    m_deadline = now + kPasswordTakenMs;
}

void FullConnection::PasswordTaken(int64_t now) {
    m_passwordAccepted = !m_password.empty();
    m_password.Clear();
    m_step = Step::kDone;
    m_phase = Phase::kConnected;
    Note("The Newton's Connection is ready: what you send is typed on it.");
    if (m_keyboardWanted) OpenKeyboard(now);
}

bool FullConnection::PasswordRefused(int32_t code, int64_t now) {
    if (code == kBadPassword) {
        End("The Newton refused the password.", true);
        return true;
    }
    if (code != kWrongPassword) return false;
    m_refusedAnswers.push_back(m_answer);
    // A Newton that lets one try again and again is not asked about forever.
    if (m_refusedAnswers.size() >= kPasswordTries) {
        End("The Newton refused the password.", true);
        return true;
    }
    // A password given meanwhile (the keyring's, read while the Newton took
    // the first answer) is the next try, without asking.
    if (!m_password.empty() && !AnswersRefused(m_password)) {
        AnswerPassword(now);
        return true;
    }
    m_password.Clear();
    // What was under way waits for the password, or ends.
    if (m_keyboard != Keyboard::kClosed) {
        m_keyboardWanted = true;
        m_keyboard = Keyboard::kClosed;
    }
    if (ReadingRuns()) m_reading->Stop("The Newton asked for its password; the reading has ended.");
    AskForPassword(now);
    return true;
}

void FullConnection::GivePassword(Secret password, int64_t now) {
    m_password = std::move(password);
    if (!passwordWanted()) return;
    // Never the same wrong answer twice: the Newton counts its tries.
    if (AnswersRefused(m_password)) {
        m_password.Clear();
        ++m_passwordQuestions;
        Note("The Newton refused that password already.");
        return;
    }
    AnswerPassword(now);
}

bool FullConnection::AnswersRefused(const Secret& password) const {
    const std::string answer = PasswordAnswer(m_challenge, password.text());
    return std::find(m_refusedAnswers.begin(), m_refusedAnswers.end(), answer) !=
           m_refusedAnswers.end();
}

void FullConnection::WithholdPassword(const std::string& why) {
    if (passwordWanted()) End(why, true);
}

bool FullConnection::TakePasswordAccepted() {
    const bool accepted = m_passwordAccepted;
    m_passwordAccepted = false;
    return accepted;
}

void FullConnection::OnConnected(const Message& message, int64_t now) {
    const std::string_view command = message.command;
    // A refusal that came late still belongs to the password step.
    if (command == kResult && PasswordRefused(ResultCode(message), now)) return;
    if (m_reading && m_reading->OnMessage(message, now)) return;
    if (m_browsing && m_browsing->OnMessage(message, now)) return;
    if (command == kRequestToSync) {
        if (!ReadingRuns()) {
            Note("The Newton's user asks for a backup.");
            StartReading({}, SoupReading::Start::kNewtonBackup, now);
        }
    } else if (command == kSynchronise) {
        if (!ReadingRuns()) {
            Note("The Newton asks to synchronise: Zandorelle reads its notes.");
            StartReading({"Notes"}, SoupReading::Start::kNewtonSynchronise, now);
        }
    } else if (command == kRequestToBrowse) {
        StartBrowsing(message, now);
    } else if (command == kResult) {
        const int32_t code = ResultCode(message);
        if (code != 0 && m_keyboard == Keyboard::kOpening) {
            KeyboardLost("The Newton did not open its keyboard (error " + std::to_string(code) +
                         ")");
        } else if (code != 0) {
            Note("The Newton could not do what was asked (error " + std::to_string(code) + ").");
        }
    } else if (command == kKeyboard) {
        if (m_keyboard == Keyboard::kClosed) Send(kKeyboard);
        if (m_keyboard != Keyboard::kOpen) KeyboardOpened(m_keyboard == Keyboard::kClosed);
    } else if (command == kOperationCancelled) {
        // Also when it crossed our own end of the keyboard: the Newton's user
        // closed it before all that went to it was typed.
        Send(kCancelAcknowledged);
        KeyboardLost("The Newton closed its keyboard");
    } else if (command == kCancelAcknowledged) {
        // The answer to our own cancel: nothing more to do.
    } else {
        UnknownCommand(command, now);
    }
}

void FullConnection::NotUnderstood(const std::string& command, int64_t now) {
    if (ReadingRuns() && m_reading->NotUnderstood(command, now)) return;
    if (m_browsing && m_browsing->NotUnderstood(command, now)) return;
    const std::string note = "The Newton does not understand " + QuotedCommand(command);
    if (m_phase == Phase::kGreeting) return End(note + "; the connection has ended.", true);
    EndOperation(note, ".");
}

void FullConnection::EndOperation(const std::string& note, const std::string& readingEnd) {
    if (ReadingRuns()) {
        m_reading->Stop(note + readingEnd);
    } else if (m_keyboard != Keyboard::kClosed) {
        if (m_keyboard == Keyboard::kOpen) Send(kOperationDone);
        KeyboardLost(note);
    } else {
        Note(note + ".");
    }
}

void FullConnection::UnknownCommand(std::string_view command, int64_t now) {
    // Told once in an operation: a Newton that sends nothing but unknown
    // commands gets no flood of answers, nor the log a flood of lines.
    if (m_unknownAnswered) {
        ++m_unknownRepeats;
        m_lastUnknownMs = now;
        return;
    }
    m_unknownAnswered = true;
    Send(kUnknownCommand, command);
    EndOperation("The Newton sent " + QuotedCommand(command) +
                     ", which Zandorelle does not know; it was told so",
                 ", and the reading has ended.");
}

bool FullConnection::ReadingRuns() const {
    return m_reading && m_reading->outcome() == SoupReading::Outcome::kRunning;
}

void FullConnection::Note(std::string note) {
    CountRepeats();
    m_notes.push_back(std::move(note));
}

void FullConnection::CountRepeats() {
    if (m_unknownRepeats == 0) return;
    m_notes.push_back("\u2026 and " + WithThousands(m_unknownRepeats) + " more.");
    m_unknownRepeats = 0;
}

bool FullConnection::ReadSoups(std::vector<std::string> soups, int64_t now) {
    if (m_phase != Phase::kConnected || ReadingRuns()) return false;
    if (m_browsing && m_browsing->installing()) {
        Note("A package is being installed from the Newton; the Newton was not read.");
        return false;
    }
    StartReading(std::move(soups), SoupReading::Start::kDesktop, now);
    return true;
}

std::vector<SoupReading::Entry> FullConnection::TakeEntries() {
    return m_reading ? m_reading->TakeEntries() : std::vector<SoupReading::Entry>{};
}

void FullConnection::CancelReading(const std::string& why) {
    if (m_reading) m_reading->Cancel(why);
}

void FullConnection::StartReading(std::vector<std::string> soups, SoupReading::Start start,
                                  int64_t now) {
    // The keyboard and the synchronisation are operations of their own.
    if (m_keyboard != Keyboard::kClosed) {
        if (m_waiting > 0) KeyboardLost("The keyboard closed for a reading of the Newton");
        m_keyboard = Keyboard::kClosed;
        m_closeWhenTyped = false;
        Send(kOperationDone);
    }
    // The Newton's file dialog is over once it serves a reading.
    m_browsing.reset();
    m_unknownAnswered = false;
    m_reading = std::make_unique<SoupReading>(
        std::move(soups), start, now,
        [this](std::string_view command, std::string_view data) { Send(command, data); },
        [this](std::string note) { Note(std::move(note)); });
}

void FullConnection::StartBrowsing(const Message& message, int64_t now) {
    const nsof::Decoded kind = nsof::Decode(message.data);
    const auto refuse = [&](int32_t code, const std::string& note) {
        Send(kResult, BigEndian32(static_cast<uint32_t>(code)));
        Note(note);
    };
    if (ReadingRuns() || (m_browsing && m_browsing->installing()))
        return refuse(kAlreadyBusy,
                      "The Newton's user wants to browse the desktop's files while "
                      "Zandorelle is busy with the Newton; it was told so.");
    if (!kind.value || !kind.value->IsSymbol("packages"))
        return refuse(kAccessDenied, "The Newton's user wants to browse the desktop for " +
                                         (kind.value && kind.value->As<nsof::Symbol>()
                                              ? Printable(kind.value->As<nsof::Symbol>()->name)
                                              : std::string("something unknown")) +
                                         ", which Zandorelle does not offer; it was told no.");
    if (!m_shelf)
        return refuse(kAccessDenied,
                      "The Newton's user wants to install a package from the "
                      "desktop, which offers no files; it was told no.");
    m_browsing = std::make_unique<Browsing>(
        *m_shelf, now,
        [this](std::string_view command, std::string_view data) { Send(command, data); },
        [this](std::string note) { Note(std::move(note)); },
        [this](Happening happening) { m_happenings.push_back(std::move(happening)); });
}

void FullConnection::KeyboardOpened(bool byNewton) {
    m_keyboard = Keyboard::kOpen;
    if (byNewton) m_unknownAnswered = false;
    if (byNewton) Note("The Newton's keyboard is open: what you send is typed on it.");
}

void FullConnection::KeyboardLost(const std::string& why) {
    ++m_keyboardLosses;
    m_keyboard = Keyboard::kClosed;
    m_closeWhenTyped = false;
    Note(CountingWhatWasNotTyped(why));
    m_typing.clear();
    m_waiting = 0;
}

std::string FullConnection::CountingWhatWasNotTyped(const std::string& note) const {
    if (m_waiting == 0) return note + ".";
    return note + "; " + Characters(m_waiting) + " were not typed.";
}

void FullConnection::Send(std::string_view command, std::string_view data) {
    m_control.push_back(Encode(command, data));
}

void FullConnection::End(const std::string& note, bool goodbye) {
    CountRepeats();
    if (!note.empty()) Note(note);
    m_typing.clear();
    m_waiting = 0;
    m_keyboard = Keyboard::kClosed;
    m_phase = Phase::kEnded;
    if (goodbye) Send(kDisconnect);
}

void FullConnection::Expect(Step step, int64_t now) {
    m_step = step;
    m_deadline = now + kAnswerMs;
}

}  // namespace zd::dock
