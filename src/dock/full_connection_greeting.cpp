// The connection's start: the Newton's request, our "dinf", its name, and
// the password step both ways.
#include "dock/full_connection.h"

#include <algorithm>

#include "base/counted.h"
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

// A password answer the Newton did not refuse within this time has been
// taken: it says nothing when it takes one.
constexpr int64_t kPasswordTakenMs = 500;

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
            m_newtonInfo = ReadNewtonInfo(message.data);
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
    if (RestoreRuns())
        m_restoring->Stop("The Newton asked for its password; the restore has stopped.");
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

}  // namespace zd::dock
