// The desktop services the core uses: the clipboard, the web browser, the
// open-file dialog, file-error messages and notifications.  The window
// implements them with Qt, the console front end on its own, tests with fakes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/secret.h"

namespace zd {

// Something the user may want to hear of while working in another window.
struct Happening {
    std::string title;          // "Note saved: Anteckning"
    std::string detail;         // a second line, or ""
    std::string file;           // what a click on it opens; "" for the window
    bool aboutEarlier = false;  // more of an item told before, not an item of its own
};

class Desktop {
public:
    virtual ~Desktop() = default;

    // True when the clipboard holds text.
    virtual bool HasClipboardText() = 0;
    // The clipboard's text (UTF-8), or nullopt when the clipboard cannot be
    // opened.
    virtual std::optional<std::string> ClipboardText() = 0;
    // Puts `text` (UTF-8) on the clipboard; false when the desktop refused it.
    virtual bool SetClipboardText(const std::string& text) = 0;

    // Hands `address` to the desktop's web browser.
    virtual void OpenUrl(const std::string& address) = 0;

    // The open-file dialog for a text file to send; nullopt when cancelled.
    virtual std::optional<std::string> ChooseFileToSend() = 0;

    // Tells the user that a file could not be read or written.  `message`
    // names the file and the system's reason.
    virtual void ShowFileError(const std::string& message) = 0;

    // Tells the user of `happening` outside the window, where the window
    // thinks it useful; the log has said it already.  Nothing by default.
    virtual void Tell(const Happening& happening) { (void)happening; }

    // The Connection password of `owner`'s Newton.  LookUpPassword starts a
    // look in the desktop's keyring, AskPassword asks the user at once,
    // saying what became of the last password, if any (`refusal`: "The
    // Newton refused that password (2 tries left).");
    // each answers later through AnswerPasswordQuestion (connection_driver.h),
    // or says false when it cannot.  StopAskingPassword takes an open question
    // back: the Newton no longer waits.  RememberPassword keeps one the Newton
    // took, in the keyring; ForgetPassword drops one it refused.  By default
    // nothing is kept and nobody can be asked.
    virtual bool LookUpPassword(const std::string& owner) { return (void)owner, false; }
    virtual bool AskPassword(const std::string& owner, const std::string& refusal) {
        return (void)owner, (void)refusal, false;
    }
    virtual void StopAskingPassword() {}
    virtual void RememberPassword(const std::string& owner, const Secret& password) {
        (void)owner, (void)password;
    }
    virtual void ForgetPassword(const std::string& owner) { (void)owner; }

    // Asks the user whether the Newton at network `address` may connect; the
    // answer comes through AnswerAdmission (link/admission_gate.h).  False
    // when nobody can be asked, as by default.  StopAsking takes the question
    // back unanswered: the caller went, or nobody answered in time.
    virtual bool AskToAdmit(const std::string& address) { return (void)address, false; }
    virtual void StopAsking(const std::string& address) { (void)address; }
};

}  // namespace zd
