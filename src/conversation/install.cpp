#include "conversation/install.h"

#include <optional>
#include <string_view>

#include "base/desktop.h"
#include "conversation/connection_driver.h"
#include "dock/dock_message.h"
#include "dock/install_lines.h"
#include "link/display_ops.h"
#include "link/link_manager.h"
#include "session/session.h"
#include "transfer/package_file.h"

namespace zd {
namespace {

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The package at `path`, or nullopt with the reason logged and shown.
std::optional<std::string> ReadPackage(Session& s, const std::string& path) {
    FileContent content = ReadPackageFile(path);
    if (content.bytes) return std::move(content.bytes);
    const std::string message = dock::NotSentLine(path, content.refusal);
    LogLine(s, message);
    if (s.svc.desktop) s.svc.desktop->ShowFileError(message);
    return std::nullopt;
}

// One package-loading session on a connected pipe.  Each step says what went
// wrong, in the log, and the session ends there.
class DockConversation {
public:
    explicit DockConversation(Session& s) : m_s(s) {}

    InstallOutcome Run() {
        if (!Expect(dock::kRequestToDock)) return InstallOutcome::kFailed;
        if (!Send(dock::kInitiateDocking, dock::BigEndian32(dock::kLoadPackageSession)))
            return InstallOutcome::kFailed;
        const auto name = Expect(dock::kNewtonName);
        if (!name) return InstallOutcome::kFailed;
        const auto owner = dock::OwnerName(name->data);
        LogLine(m_s, owner && !owner->empty() ? "Connected to " + *owner + "'s Newton."
                                              : std::string("Connected to the Newton."));
        if (!Send(dock::kSetTimeout, dock::BigEndian32(dock::kTimeoutSeconds)) ||
            !Expect(dock::kResult)) {
            return InstallOutcome::kFailed;
        }
        InstallOutcome outcome = InstallOutcome::kInstalled;
        for (const std::string& path : m_s.install.packages) {
            const auto package = ReadPackage(m_s, path);
            if (!package) {
                outcome = InstallOutcome::kRefused;
                continue;
            }
            const std::string file = FileName(path);
            LogLine(m_s, dock::InstallingLine(file, package->size()));
            if (!Send(dock::kLoadPackage, *package)) return InstallOutcome::kFailed;
            const auto result = Expect(dock::kResult);
            if (!result) return InstallOutcome::kFailed;
            const int32_t code = dock::ResultCode(*result);
            LogLine(m_s, dock::InstalledLine(file, code));
            if (code != 0) outcome = InstallOutcome::kRefused;
        }
        (void)Send(dock::kDisconnect, "");
        return outcome;
    }

private:
    bool Send(std::string_view command, std::string_view data) {
        const std::string message = dock::Encode(command, data);
        const int32_t result = m_s.svc.dil.CD_Write(m_s.link.pipe, message.data(),
                                                    static_cast<int32_t>(message.size()));
        return result == kDilOk || Failed(result);
    }

    // The next message, which must be `command`.
    std::optional<dock::Message> Expect(std::string_view command) {
        // The magic is judged as soon as it can be: a companion package that
        // connected instead says less than a whole header.
        char header[dock::kHeaderSize];
        if (!Read(header, dock::kMagic.size())) return std::nullopt;
        const bool dock = std::string_view(header, dock::kMagic.size()) == dock::kMagic;
        if (dock && !Read(header + dock::kMagic.size(), sizeof header - dock::kMagic.size()))
            return std::nullopt;
        const auto parsed =
            dock ? dock::ParseHeader(std::string_view(header, sizeof header)) : std::nullopt;
        if (!parsed) {
            LogLine(m_s,
                    "The Newton does not speak the Dock protocol (is Connection open on it?); "
                    "the installation has ended.");
            return std::nullopt;
        }
        if (parsed->command != command) {
            LogLine(m_s, "The Newton said \"" + parsed->command +
                             "\" where its Connection application says \"" + std::string(command) +
                             "\"; the installation has ended.");
            return std::nullopt;
        }
        // What the Newton says in a package-loading session is short.
        constexpr uint32_t kMaxAnswer = 64 * 1024;
        if (parsed->length > kMaxAnswer) {
            LogLine(m_s, "The Newton's \"" + parsed->command + "\" says it has " +
                             std::to_string(parsed->length) +
                             " bytes, far more than it can; the installation has ended.");
            return std::nullopt;
        }
        dock::Message message{
            parsed->command,
            std::string(parsed->length + dock::PaddingAfter(parsed->length), '\0')};
        if (!Read(message.data.data(), message.data.size())) return std::nullopt;
        message.data.resize(parsed->length);
        return message;
    }

    // Reads `size` bytes, as long as the Newton may take for an answer.
    bool Read(char* buffer, size_t size) {
        if (size == 0) return true;
        const int32_t result = m_s.svc.dil.CD_ReadPatiently(
            m_s.link.pipe, buffer, static_cast<int32_t>(size), kDockAnswerMs);
        return result == kDilOk || Failed(result);
    }

    // Says why the link failed; always false.
    bool Failed(int32_t result) {
        if (result == kDilErrCancelled) {
            LogLine(m_s, "The installation was cut short.");
        } else if (result == kDilErrTimeout) {
            LogLine(m_s, "The Newton did not answer within " +
                             std::to_string(kDockAnswerMs / 1000) +
                             " s; the installation has ended.");
        } else {
            LogLine(m_s, "The Newton left in the middle of the installation.");
        }
        return false;
    }

    Session& m_s;
};

}  // namespace

bool RequestInstall(Session& s, const std::vector<std::string>& files) {
    if (ReadingBlocks(s, "install packages")) return false;
    bool all = !files.empty();
    for (const std::string& path : files) all = ReadPackage(s, path).has_value() && all;
    if (!all) return false;
    s.install.packages = files;
    s.install.outcome = InstallOutcome::kNone;
    AwaitConnection(s);
    return true;
}

void AwaitConnection(Session& s) {
    // A link that carries another conversation cannot carry this one: it ends first.
    const int32_t state =
        s.link.pipe != 0 ? s.svc.dil.CD_GetState(s.link.pipe) : kStateDisconnected;
    if (state != kStateListening && s.link.pipe != 0) ClosePipe(s);
    LogLine(s, "Open Connection on the Newton and tap Connect.");
    if (state != kStateListening) {
        OpenPipe(s);
        s.poll.pendingAction = kGreet;
    }
}

bool InstallExpected(const Session& s) {
    return !s.install.packages.empty();
}

void RunDockSession(Session& s) {
    s.link.busy = true;
    ShowState(s, "Installing");
    s.install.outcome = DockConversation(s).Run();
    s.install.packages.clear();
    if (s.svc.desktop) {
        const char* title =
            s.install.outcome == InstallOutcome::kInstalled ? "Packages installed on the Newton"
            : s.install.outcome == InstallOutcome::kRefused ? "Not every package was installed"
                                                            : "The installation did not finish";
        s.svc.desktop->Tell({title, "The log says more.", ""});
    }
    // The Newton ends the link after "disc": the orderly end, busy, so that
    // no "#BYE" of the companion's goes to it.
    ClosePipe(s);
}

}  // namespace zd
