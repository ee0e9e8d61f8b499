#include "headless/console_desktop.h"

namespace zd {

void ConsoleDesktop::OpenUrl(const std::string& address) {
    std::fprintf(m_messages, "Open URL: %s\n", address.c_str());
    std::fflush(m_messages);
}

std::optional<std::string> ConsoleDesktop::ChooseFileToSend() {
    std::optional<std::string> chosen;
    chosen.swap(m_nextFile);
    return chosen;
}

void ConsoleDesktop::ShowFileError(const std::string& message) {
    std::fprintf(m_messages, "File error: %s\n", message.c_str());
    std::fflush(m_messages);
}

}  // namespace zd
