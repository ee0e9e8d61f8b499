// The Newton's Connection application in its full connection, as the desktop
// plays it: the greeting with its password step, then a connection that lasts
// as long as the user works, with keyboard passthrough and the reading of the
// Newton's soups, each started from either side, and the Newton's user
// browsing the desktop for a package to install.  Like the MNP link it is a machine: it takes the
// bytes that arrived and the time, and answers with the messages to send; it never waits.  Its
// owner writes the messages in order, logs the notes, and lets the link go
// once the connection has ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/desktop.h"
#include "base/secret.h"
#include "dock/browsing.h"
#include "dock/dock_message.h"
#include "dock/restoring.h"
#include "dock/soup_reading.h"

namespace zd::dock {

// What the Newton may be asked to show: what we answer.
inline constexpr uint32_t kOfferedIcons =
    kBackupIcon | kInstallIcon | kSynchroniseIcon | kKeyboardIcon;
// How long we stay silent at most while connected; the Newton's own
// patience is kTimeoutSeconds.
inline constexpr int64_t kHelloMs = 10000;
// The answers a Newton takes to its password question: the last refusal
// ends the connection.
inline constexpr size_t kPasswordTries = 3;
// What the Newton's question for its password is, after `refused` answers.
std::string PasswordQuestion(size_t refused);

// The largest message the Newton may send us.
inline constexpr size_t kMaxNewtonMessage = 4u << 20;

class FullConnection {
public:
    enum class Phase { kGreeting, kConnected, kEnded };
    enum class Keyboard { kClosed, kOpening, kOpen };

    // A connection whose first bytes say "newtdock"; they are yet to be
    // received.  `challenge` is the one the Newton is to answer (8 bytes;
    // none: a random one).
    explicit FullConnection(int64_t now, std::string challenge = {});

    // Bytes as they came from the Newton.
    void Receive(std::string_view bytes, int64_t now);
    // Time passing: the waits for an answer, and our hello.
    void Tick(int64_t now);

    // Queues `text` (UTF-8) to be typed, asking for the keyboard first where
    // it is closed; the text goes once the Newton's keyboard is open.
    // Returns how many characters it queued.
    size_t Type(std::string_view text, int64_t now);
    // Queues key `key` (dock::Key, or any character) to be typed.
    void PressKey(char16_t key, int64_t now);
    // Asks for the keyboard without typing anything yet.
    void OpenKeyboard(int64_t now);
    // Ends the keyboard once the text queued for it has gone.
    void CloseKeyboard(int64_t now);
    // The Connection password to answer the Newton's password step with,
    // before the step or while the Newton asks for one (passwordWanted());
    // without one, the empty password answers.
    void GivePassword(Secret password, int64_t now);
    // Nobody will give the password the Newton asks for: the connection ends
    // with `why`.
    void WithholdPassword(const std::string& why);
    // True while the Newton asks for a password that has not been given.
    bool passwordWanted() const { return m_step == Step::kPasswordWanted; }
    // How often the Newton has asked for a password so far, and how many
    // answers it refused.
    size_t passwordQuestions() const { return m_passwordQuestions; }
    size_t passwordsRefused() const { return m_refusedAnswers.size(); }
    // True once, when the password given last has been taken by the Newton.
    bool TakePasswordAccepted();

    // The link under the connection went away.
    void Lost();
    // The Newton reads nothing more of what is written to it.
    void StoppedReading();

    // Reads every entry of the Newton's soups named `soups` from every
    // store (none: every soup, and the stores' and soups' own information,
    // as a backup reads them); the keyboard closes first.  The entries come through
    // TakeEntries as they arrive.  False, with a note, while a package the
    // Newton's user chose is being installed.  REQUIRES: the connection is ready.
    bool ReadSoups(std::vector<std::string> soups, int64_t now);
    // The reading of the notes that runs or has ended (also one the Newton
    // asked for), until ForgetReading; null when there is none.
    const SoupReading* reading() const { return m_reading.get(); }
    std::vector<SoupReading::Entry> TakeEntries();
    // Ends the reading that runs from our side, saying `why`.
    void CancelReading(const std::string& why);
    void ForgetReading() { m_reading.reset(); }

    // Writes `work` onto the Newton (restoring.h); false, with a note, while
    // another operation runs.  REQUIRES: the connection is ready.
    bool Restore(RestoreWork work, int64_t now);
    // The restore that runs or has ended, until ForgetRestore; null when
    // there is none.
    const Restoring* restoring() const { return m_restoring.get(); }
    // Stops the restore once the Newton has answered what it was sent last.
    void CancelRestore(const std::string& why);
    void ForgetRestore() { m_restoring.reset(); }

    // The files the Newton's user may browse for a package to install;
    // without them the Newton is told no.  `shelf` must outlive the connection.
    void OfferFiles(PackageShelf* shelf) { m_shelf = shelf; }

    // The next message to write; nullopt while none is due.
    std::optional<std::string> NextMessage(int64_t now);
    // The message handed out last went onto the link whole at `now`: a long
    // one's answer is awaited from then.
    void Wrote(int64_t now);
    // What happened that the user should read, since the last call.
    std::vector<std::string> TakeNotes();
    // What the user may want to hear of outside the window, since the last call.
    std::vector<Happening> TakeHappenings();

    Phase phase() const { return m_phase; }
    Keyboard keyboard() const { return m_keyboard; }
    // Characters handed out in "kbds" and "kbdc" messages so far.
    size_t typed() const { return m_typed; }
    // Characters queued for the keyboard and not yet handed out.
    size_t waiting() const { return m_waiting; }
    // How often the keyboard closed under what was typed: the Newton's user
    // closed it (or cancelled what the desktop did), or it did not open.
    size_t keyboardLosses() const { return m_keyboardLosses; }
    const std::string& owner() const { return m_owner; }
    // What the Newton said of itself in its greeting, where it said enough.
    const std::optional<NewtonInfo>& newtonInfo() const { return m_newtonInfo; }

private:
    enum class Step {
        kRequest,
        kName,
        kInfo,
        kIconsResult,
        kPassword,
        kPasswordSent,  // until the Newton takes the answer or refuses it
        kPasswordWanted,
        kDone
    };

    struct Typing {
        std::string message;
        size_t characters = 0;
    };

    void OnMessage(const Message& message, int64_t now);
    void OnGreeting(const Message& message, int64_t now);
    // Answers the Newton's challenge with the password given.
    void AnswerPassword(int64_t now);
    // Waits for a password to answer with, the user asked meanwhile.
    void AskForPassword(int64_t now);
    // The Newton took the answer: the connection is ready.
    void PasswordTaken(int64_t now);
    // True when the Newton refused the answer `password` gives already.
    bool AnswersRefused(const Secret& password) const;
    // The Newton's answer to the password, where it is a refusal: true when
    // it was one.
    bool PasswordRefused(int32_t code, int64_t now);
    void OnConnected(const Message& message, int64_t now);
    void StartReading(std::vector<std::string> soups, SoupReading::Start start, int64_t now);
    // Ends the keyboard, dropping what was not typed, for `operation`.
    void CloseKeyboardFor(const std::string& operation);
    // The Newton's "rtbr": browsing, where it asks for packages and files
    // are offered.
    void StartBrowsing(const Message& message, int64_t now);
    bool ReadingRuns() const;
    bool RestoreRuns() const;
    // A reading or a restore: one operation at a time.
    bool OperationRuns() const { return ReadingRuns() || RestoreRuns(); }
    // The Newton's "unkn": it did not know `command`, so what asked for it ends.
    void NotUnderstood(const std::string& command, int64_t now);
    // The Newton sent `command`, which we do not know: "unkn" is the answer.
    void UnknownCommand(std::string_view command, int64_t now);
    // Ends the operation that runs with `note` (a reading's with
    // `readingEnd` after it), or notes it where none runs.
    void EndOperation(const std::string& note, const std::string& readingEnd);
    // `note` for the user, after the count of a run of unknown commands.
    void Note(std::string note);
    void CountRepeats();
    // The keyboard opened, by the Newton's answer or by its user.
    void KeyboardOpened(bool byNewton);
    // The keyboard closed under queued text, which is dropped; `why` begins
    // the note, which counts what was not typed.
    void KeyboardLost(const std::string& why);
    // `note` as a sentence that counts the characters still queued, if any.
    std::string CountingWhatWasNotTyped(const std::string& note) const;
    void Send(std::string_view command, std::string_view data = {});
    // Ends the connection with `note`, saying "disc" when `goodbye`.
    void End(const std::string& note, bool goodbye);
    void Expect(Step step, int64_t now);

    Phase m_phase = Phase::kGreeting;
    Step m_step = Step::kRequest;
    Keyboard m_keyboard = Keyboard::kClosed;
    bool m_keyboardWanted = false;  // asked for before the connection was ready
    bool m_closeWhenTyped = false;
    std::unique_ptr<SoupReading> m_reading;
    std::unique_ptr<Restoring> m_restoring;
    PackageShelf* m_shelf = nullptr;
    std::unique_ptr<Browsing> m_browsing;
    std::vector<Happening> m_happenings;
    Reader m_reader{kMaxNewtonMessage};
    std::deque<std::string> m_control;  // goes at once
    std::deque<Typing> m_typing;        // goes while the keyboard is open
    std::vector<std::string> m_notes;
    std::string m_owner;
    std::optional<NewtonInfo> m_newtonInfo;
    std::string m_challenge;     // the Newton's, for the password step
    std::string m_ourChallenge;  // ours, which the Newton answers
    Secret m_password;           // to answer it with
    std::string m_answer;        // the answer sent last
    std::vector<std::string> m_refusedAnswers;
    size_t m_passwordQuestions = 0;
    bool m_passwordAccepted = false;
    int64_t m_deadline = 0;  // of the answer awaited, in the greeting or for the keyboard
    int64_t m_lastSentMs = 0;
    size_t m_typed = 0;
    size_t m_waiting = 0;
    size_t m_keyboardLosses = 0;
    bool m_unknownAnswered = false;  // in the operation that runs, or since the last one
    size_t m_unknownRepeats = 0;     // unknown commands since the one that was told
    int64_t m_lastUnknownMs = 0;
};

}  // namespace zd::dock
