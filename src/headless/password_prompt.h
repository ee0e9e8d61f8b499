// The Newton's Connection password asked for on the terminal, without echo,
// while the program goes on serving the Newton: the question is written to
// the controlling terminal, and the answer read from it as it is typed.
#pragma once

#include <termios.h>

#include <optional>
#include <string>

#include "base/secret.h"

namespace zd {

class PasswordPrompt {
public:
    PasswordPrompt() = default;
    ~PasswordPrompt();
    PasswordPrompt(const PasswordPrompt&) = delete;
    PasswordPrompt& operator=(const PasswordPrompt&) = delete;

    // Asks for the password of `owner`'s Newton, after `refusal` (what became
    // of the last one; "" for none); false when standard input is no terminal
    // (nobody there to ask).
    bool Ask(const std::string& owner, const std::string& refusal);
    // Takes the question back unanswered: the Newton no longer waits.
    void Withdraw();
    // The terminal while a question is open, to wait for its answer; -1 else.
    int fd() const { return m_fd; }
    // Reads what was typed; once the line is whole (or the terminal closed:
    // no password), the answer, and the question is closed.
    std::optional<std::optional<Secret>> Read();

private:
    void Close();

    int m_fd = -1;
    termios m_saved{};
    Secret m_typed;
};

}  // namespace zd
