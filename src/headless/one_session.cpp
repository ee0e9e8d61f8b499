#include "headless/one_session.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <optional>

#include "conversation/conversation.h"
#include "conversation/install.h"
#include "link/display_ops.h"
#include "link/link_manager.h"
#include "session/session.h"
#include "transfer/backup_reader.h"

namespace zd {
namespace {

// Nothing listens for the Newton any more: the session cannot go on (the log
// said why).
bool LinkGone(Session& s) {
    return s.link.pipe == 0 || s.svc.dil.CD_GetState(s.link.pipe) == kStateDisconnected;
}

class InstallSession final : public OneSession {
public:
    explicit InstallSession(std::vector<std::string> packages) : m_packages(std::move(packages)) {}

    bool Begin(Session& s) override { return RequestInstall(s, m_packages); }
    bool Over(Session& s) override {
        return s.install.outcome != InstallOutcome::kNone || LinkGone(s);
    }
    int Status(Session& s) override {
        switch (s.install.outcome) {
            case InstallOutcome::kInstalled:
                return 0;
            case InstallOutcome::kRefused:
                std::fputs("zandorelle: not every package was installed; the log says which\n",
                           stderr);
                return 1;
            default:
                std::fputs(
                    "zandorelle: the installation did not happen or did not finish; the log says "
                    "why\n",
                    stderr);
                return 1;
        }
    }

private:
    std::vector<std::string> m_packages;
};

class TypeFileSession final : public OneSession {
public:
    explicit TypeFileSession(std::string path) : m_path(std::move(path)) {}

    bool Begin(Session& s) override {
        if (!TextFileToType(s, m_path)) return false;
        AwaitConnection(s);
        return true;
    }
    bool Over(Session& s) override {
        if (!m_typed && TypingPossible(s)) {
            m_typed = TypeFile(s, m_path);
            ClosePipe(s);  // the connection's goodbye
            return true;
        }
        if (s.link.handshakeDone) {
            ExplainTypingImpossible(s);
            return true;
        }
        return m_typed.has_value() || LinkGone(s);
    }
    int Status(Session&) override {
        if (m_typed.value_or(false)) return 0;
        std::fputs(
            "zandorelle: the file was not typed on the Newton, or not all of it; the log "
            "says why\n",
            stderr);
        return 1;
    }

private:
    std::string m_path;
    std::optional<bool> m_typed;
};

// A reading of the Newton's soups into an export or a backup: over once the
// reading has ended, a success when everything came.
class ReadingSession : public OneSession {
public:
    explicit ReadingSession(const char* noun) : m_noun(noun) {}

    bool Over(Session& s) override {
        if (s.dock.exported != ExportOutcome::kNone) {
            ClosePipe(s);  // the connection's goodbye
            return true;
        }
        if (s.link.handshakeDone) {
            LogLine(s,
                    "The Zandorelle package is connected; the Newton's notes and data are read "
                    "through its Connection application instead.");
            return true;
        }
        return LinkGone(s);
    }
    int Status(Session& s) override {
        if (s.dock.exported == ExportOutcome::kAllSaved) return 0;
        std::fprintf(stderr, "zandorelle: not every %s was saved; the log says why\n", m_noun);
        return 1;
    }

protected:
    static bool IsFolder(const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }

private:
    const char* m_noun;
};

class ExportSession final : public ReadingSession {
public:
    // The Newton's data as `request` asks, from the backup `from` where one is named.
    ExportSession(ExportRequest request, std::string from)
        : ReadingSession(request.choice.notesAlone() ? "note" : "entry"),
          m_request(std::move(request)),
          m_from(std::move(from)) {}

    bool Begin(Session& s) override {
        if (!IsFolder(m_request.folder)) {
            std::fprintf(stderr, "zandorelle: %s: no folder to save the %s in\n",
                         m_request.folder.c_str(),
                         m_request.choice.notesAlone() ? "notes" : "Newton's data");
            return false;
        }
        if (m_from.empty()) {
            SaveNewtonData(s, m_request);
        } else if (const auto refused = ExportFromBackup(s, m_request, m_from)) {
            std::fprintf(stderr, "zandorelle: %s\n", refused->c_str());
            return false;
        }
        return true;
    }

private:
    ExportRequest m_request;
    std::string m_from;
};

class BackupSession final : public ReadingSession {
public:
    explicit BackupSession(std::string file) : ReadingSession("entry"), m_file(std::move(file)) {}

    bool Begin(Session& s) override {
        const std::string folder = std::filesystem::path(m_file).parent_path().string();
        if (!IsFolder(folder.empty() ? "." : folder)) {
            std::fprintf(stderr, "zandorelle: %s: no folder to keep the backup in\n",
                         m_file.c_str());
            return false;
        }
        BackUpNewton(s, m_file);
        return true;
    }

private:
    std::string m_file;
};

}  // namespace

std::unique_ptr<OneSession> OneSession::For(const RunOptions& options) {
    if (!options.installFiles.empty())
        return std::make_unique<InstallSession>(options.installFiles);
    if (!options.typeFile.empty()) return std::make_unique<TypeFileSession>(options.typeFile);
    if (!options.notesFolder.empty())
        return std::make_unique<ExportSession>(
            ExportRequest{options.notesFolder, ExportChoice::NotesAlone()}, "");
    if (!options.exportFolder.empty())
        return std::make_unique<ExportSession>(ExportRequest{options.exportFolder, {}},
                                               options.exportFrom);
    if (!options.backupFile.empty()) return std::make_unique<BackupSession>(options.backupFile);
    return nullptr;
}

}  // namespace zd
