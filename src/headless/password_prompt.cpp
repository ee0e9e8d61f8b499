#include "headless/password_prompt.h"

#include <fcntl.h>
#include <unistd.h>

namespace zd {

PasswordPrompt::~PasswordPrompt() {
    Close();
}

bool PasswordPrompt::Ask(const std::string& owner, const std::string& refusal) {
    if (m_fd >= 0) return true;
    if (!::isatty(STDIN_FILENO)) return false;
    m_fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) return false;
    ::tcgetattr(m_fd, &m_saved);
    termios quiet = m_saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    ::tcsetattr(m_fd, TCSAFLUSH, &quiet);
    const std::string question = (refusal.empty() ? "" : refusal + "\n") + "The Newton \"" + owner +
                                 "'s Newton\" asks for its Connection password: ";
    (void)!::write(m_fd, question.data(), question.size());
    return true;
}

void PasswordPrompt::Withdraw() {
    if (m_fd < 0) return;
    static constexpr std::string_view kOver = "\n(The Newton no longer waits for it.)\n";
    (void)!::write(m_fd, kOver.data(), kOver.size());
    m_typed.Clear();
    Close();
}

std::optional<std::optional<Secret>> PasswordPrompt::Read() {
    char byte = 0;
    for (;;) {
        const ssize_t n = ::read(m_fd, &byte, 1);
        if (n < 0) return std::nullopt;  // nothing more yet
        if (n == 0) {
            Close();
            return std::optional<Secret>();
        }
        if (byte == '\n' || byte == '\r') break;
        m_typed.Append(byte);
    }
    Secret typed = std::move(m_typed);
    Close();
    return std::optional<Secret>(std::move(typed));
}

void PasswordPrompt::Close() {
    if (m_fd < 0) return;
    ::tcsetattr(m_fd, TCSAFLUSH, &m_saved);
    ::close(m_fd);
    m_fd = -1;
    m_typed.Clear();
}

}  // namespace zd
