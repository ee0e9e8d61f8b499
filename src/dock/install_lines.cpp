#include "dock/install_lines.h"

namespace zd::dock {

std::string InstallingLine(const std::string& name, size_t bytes) {
    return "Installing " + name + " (" + std::to_string(bytes) + " bytes)\u2026";
}

std::string InstalledLine(const std::string& name, int32_t code) {
    if (code == 0) return "Installed " + name + ".";
    return "The Newton refused " + name + " (error " + std::to_string(code) + ").";
}

std::string NotSentLine(const std::string& path, const std::string& refusal) {
    return path + ": " + refusal + "; nothing was sent.";
}

}  // namespace zd::dock
