// A desktop that records what the core asked of it and answers from values
// the test sets.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/desktop.h"

namespace zd::test {

class FakeDesktop final : public Desktop {
public:
    bool HasClipboardText() override { return clipboard.has_value(); }
    std::optional<std::string> ClipboardText() override {
        return clipboardOpens ? clipboard : std::nullopt;
    }
    bool SetClipboardText(const std::string& text) override {
        if (clipboardRefuses) return false;
        clipboard = text;
        return true;
    }
    void OpenUrl(const std::string& address) override { openedUrls.push_back(address); }
    std::optional<std::string> ChooseFileToSend() override { return fileToSend; }
    void ShowFileError(const std::string& message) override { fileErrors.push_back(message); }
    void Tell(const Happening& happening) override { told.push_back(happening.title); }
    bool AskToAdmit(const std::string& address) override {
        asked.push_back(address);
        return canAsk;
    }
    void StopAsking(const std::string& address) override { stoppedAsking.push_back(address); }

    std::optional<std::string> clipboard;
    bool clipboardOpens = true;
    bool clipboardRefuses = false;
    std::optional<std::string> fileToSend;  // nullopt: the dialog is cancelled
    std::vector<std::string> openedUrls;
    std::vector<std::string> fileErrors;
    std::vector<std::string> told;  // the titles of what the core told
    bool canAsk = false;            // whether a network caller can be asked about
    std::vector<std::string> asked, stoppedAsking;
};

}  // namespace zd::test
