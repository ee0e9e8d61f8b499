// The desktop services on a Qt desktop: the system clipboard, the web
// browser, the open-file dialog and warning boxes.  Two seams let tests answer
// the modal parts without showing them.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>

#include "base/desktop.h"

namespace zd {

class PasswordDialog;
struct Session;

class QtDesktop final : public Desktop {
public:
    // Dialogs and boxes are owned by `owner`; log lines go to `session`.
    QtDesktop(Session& session, QWidget* owner) : m_session(session), m_owner(owner) {}

    bool HasClipboardText() override;
    std::optional<std::string> ClipboardText() override;
    // Where the desktop refuses the clipboard (Wayland, to a window without
    // the focus), the text goes on it when one of ours gets the focus.
    bool SetClipboardText(const std::string& text) override;
    void OpenUrl(const std::string& address) override;
    std::optional<std::string> ChooseFileToSend() override;
    void ShowFileError(const std::string& message) override;
    // Hands what the core tells to `tell` (the window's notifications).
    void Tell(const Happening& happening) override {
        if (m_tell) m_tell(happening);
    }
    void tellWith(std::function<void(const Happening&)> tell) { m_tell = std::move(tell); }

    // The Newton's password: from the keyring where one is kept, else from
    // the user in a dialog that does not block the window.
    bool LookUpPassword(const std::string& owner) override;
    bool AskPassword(const std::string& owner, const std::string& refusal) override;
    void StopAskingPassword() override;
    void RememberPassword(const std::string& owner, const Secret& password) override;
    void ForgetPassword(const std::string& owner) override;
    // A caller from another machine: asked about while the window is shown,
    // without taking the keyboard from another program, and refused unless
    // the user chooses otherwise.
    bool AskToAdmit(const std::string& address) override;
    void StopAsking(const std::string& address) override;

    // The open-file dialog for a backup of the Newton's; nullopt when cancelled.
    std::optional<std::string> ChooseBackup();
    // Shows `folder` in the desktop's file manager.
    void OpenFolder(const std::string& folder);
    // The folder dialog titled `title`, opening at `start`; nullopt when cancelled.
    std::optional<std::string> ChooseFolder(const QString& title, const std::string& start);

    // Test seams: the next open-file or folder dialog answers `path` (empty:
    // cancelled) without showing; message boxes and opened folders are recorded instead
    // of shown.
    void setNextFileName(const QString& path) { m_nextFile = path; }
    void setNextFolder(const QString& path) { m_nextFolder = path; }
    void recordMessageBoxes() { m_recordBoxes = true; }
    const QStringList& recordedMessages() const { return m_messages; }
    const QStringList& recordedFolders() const { return m_folders; }

    // The caption of message boxes: the program file's base name.
    static QString Caption();
    // Opens the file or folder at `path` (bytes as the file system has them)
    // in the desktop's program for it.
    static void OpenLocalPath(const std::string& path);

private:
    // Watches for a window of ours getting the focus: the user came back.
    void WatchFocus();
    // What waited for the user: the network questions, a clipboard refused.
    void UserCameBack();
    // What hears a keyring's refusal: a log line starting with `what`.
    std::function<void(QString)> KeyringFailed(const std::string& what);
    // The open-file dialog for files of `kind` ("Text Files (*.txt)").
    std::optional<std::string> ChooseFile(const QString& kind, const QString& pattern);

    Session& m_session;
    QWidget* m_owner;
    std::optional<QString> m_nextFile;
    std::optional<QString> m_nextFolder;
    std::function<void(const Happening&)> m_tell;
    std::optional<QString> m_refusedClipboard;  // until a window of ours has the focus
    QPointer<PasswordDialog> m_passwordDialog;  // while the Newton's question is open
    bool m_watchingFocus = false;
    bool m_recordBoxes = false;
    QStringList m_messages;
    QStringList m_folders;
    std::map<std::string, QPointer<QMessageBox>> m_admissionQuestions;
};

}  // namespace zd
