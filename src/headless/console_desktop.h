// The desktop of the console front end: a clipboard of its own, no browser and
// no dialogs but the terminal's question for a password.  A file to send is named by the "send
// FILE" command beforehand; what would open or warn is said on standard error.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "base/desktop.h"
#include "headless/password_prompt.h"

namespace zd {

class ConsoleDesktop final : public Desktop {
public:
    explicit ConsoleDesktop(std::FILE* messages) : m_messages(messages) {}

    // The file the next open-file dialog "chooses".
    void SetNextFileToSend(std::string path) { m_nextFile = std::move(path); }

    bool HasClipboardText() override { return m_clipboard.has_value(); }
    std::optional<std::string> ClipboardText() override { return m_clipboard; }
    bool SetClipboardText(const std::string& text) override {
        m_clipboard = text;
        return true;
    }
    void OpenUrl(const std::string& address) override;
    std::optional<std::string> ChooseFileToSend() override;
    void ShowFileError(const std::string& message) override;
    // On a terminal, the password is asked for there.
    bool AskPassword(const std::string& owner, const std::string& refusal) override {
        return m_prompt.Ask(owner, refusal);
    }
    void StopAskingPassword() override { m_prompt.Withdraw(); }
    PasswordPrompt& prompt() { return m_prompt; }

private:
    std::FILE* m_messages;
    std::optional<std::string> m_clipboard;
    std::optional<std::string> m_nextFile;
    PasswordPrompt m_prompt;
};

}  // namespace zd
