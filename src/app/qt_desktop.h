// The desktop services on a Qt desktop: the system clipboard, the web
// browser, the open-file dialog and warning boxes.  Two seams let tests answer
// the modal parts without showing them.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

#include "base/desktop.h"

namespace zd {

struct Session;

class QtDesktop final : public Desktop {
public:
    // Dialogs and boxes are owned by `owner`; log lines go to `session`.
    QtDesktop(Session& session, QWidget* owner) : m_session(session), m_owner(owner) {}

    bool HasClipboardText() override;
    std::optional<std::string> ClipboardText() override;
    // Where the desktop refuses the clipboard, the text is saved in the receive
    // folder instead and the log says so.
    void SetClipboardText(const std::string& text) override;
    void OpenUrl(const std::string& address) override;
    std::optional<std::string> ChooseFileToSend() override;
    void ShowFileError(const std::string& message) override;

    // Test seams: the next open-file dialog answers `path` (empty: cancelled)
    // without showing; message boxes are recorded instead of shown.
    void setNextFileName(const QString& path) { m_nextFile = path; }
    void recordMessageBoxes() { m_recordBoxes = true; }
    const QStringList& recordedMessages() const { return m_messages; }

    // The caption of message boxes: the program file's base name.
    static QString Caption();

private:
    Session& m_session;
    QWidget* m_owner;
    std::optional<QString> m_nextFile;
    bool m_recordBoxes = false;
    QStringList m_messages;
};

}  // namespace zd
