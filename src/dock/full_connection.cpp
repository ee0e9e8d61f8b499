// The connection's run: messages both ways, its timers, and the operations
// the Newton starts once it is connected.
#include "dock/full_connection.h"

#include "base/counted.h"
#include "base/printable.h"
#include "dock/password.h"
#include "nsof/nsof.h"

namespace zd::dock {
namespace {

// After the last of a run of unknown commands, the run is counted in the log.
constexpr int64_t kRepeatsSettleMs = 1000;
// Answers waiting to be written at most: a Newton that asks faster than it
// reads the answers is no Newton, and its answers would pile up.
constexpr size_t kMaxWaitingAnswers = 64;

}  // namespace

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
    if (m_restoring) m_restoring->Tick(now);
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

void FullConnection::OnConnected(const Message& message, int64_t now) {
    const std::string_view command = message.command;
    // A refusal that came late still belongs to the password step.
    if (command == kResult && PasswordRefused(ResultCode(message), now)) return;
    if (m_reading && m_reading->OnMessage(message, now)) return;
    if (m_restoring && m_restoring->OnMessage(message, now)) return;
    if (m_browsing && m_browsing->OnMessage(message, now)) return;
    if (command == kRequestToSync) {
        if (!OperationRuns()) {
            Note("The Newton's user asks for a backup.");
            StartReading({}, SoupReading::Start::kNewtonBackup, now);
        }
    } else if (command == kSynchronise) {
        if (!OperationRuns()) {
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
    if (RestoreRuns() && m_restoring->NotUnderstood(command, now)) return;
    if (m_browsing && m_browsing->NotUnderstood(command, now)) return;
    const std::string note = "The Newton does not understand " + QuotedCommand(command);
    if (m_phase == Phase::kGreeting) return End(note + "; the connection has ended.", true);
    EndOperation(note, ".");
}

void FullConnection::EndOperation(const std::string& note, const std::string& readingEnd) {
    if (ReadingRuns()) {
        m_reading->Stop(note + readingEnd);
    } else if (RestoreRuns()) {
        m_restoring->Stop(note + ", and the restore has stopped.");
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

bool FullConnection::RestoreRuns() const {
    return m_restoring && m_restoring->outcome() == Restoring::Outcome::kRunning;
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
    if (m_phase != Phase::kConnected || OperationRuns()) return false;
    if (m_browsing && m_browsing->installing()) {
        Note("A package is being installed from the Newton; the Newton was not read.");
        return false;
    }
    StartReading(std::move(soups), SoupReading::Start::kDesktop, now);
    return true;
}

bool FullConnection::Restore(RestoreWork work, int64_t now) {
    if (m_phase != Phase::kConnected || OperationRuns()) return false;
    if (m_browsing && m_browsing->installing()) {
        Note("A package is being installed from the Newton; nothing was restored.");
        return false;
    }
    CloseKeyboardFor("a restore");
    m_browsing.reset();
    m_unknownAnswered = false;
    m_restoring = std::make_unique<Restoring>(
        std::move(work), false, now,
        [this](std::string_view command, std::string_view data) { Send(command, data); },
        [this](std::string note) { Note(std::move(note)); });
    return true;
}

void FullConnection::CancelRestore(const std::string& why) {
    if (m_restoring) m_restoring->Cancel(why);
}

std::vector<SoupReading::Entry> FullConnection::TakeEntries() {
    return m_reading ? m_reading->TakeEntries() : std::vector<SoupReading::Entry>{};
}

void FullConnection::CancelReading(const std::string& why) {
    if (m_reading) m_reading->Cancel(why);
}

void FullConnection::StartReading(std::vector<std::string> soups, SoupReading::Start start,
                                  int64_t now) {
    CloseKeyboardFor("a reading of the Newton");
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
    if (OperationRuns() || (m_browsing && m_browsing->installing()))
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

void FullConnection::Send(std::string_view command, std::string_view data) {
    m_control.push_back(Encode(command, data));
}

void FullConnection::CloseKeyboardFor(const std::string& operation) {
    // The keyboard and the other operations are operations of their own.
    if (m_keyboard == Keyboard::kClosed) return;
    if (m_waiting > 0) KeyboardLost("The keyboard closed for " + operation);
    m_keyboard = Keyboard::kClosed;
    m_closeWhenTyped = false;
    Send(kOperationDone);
}

void FullConnection::End(const std::string& note, bool goodbye) {
    CountRepeats();
    if (m_restoring) m_restoring->Lost("");
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
