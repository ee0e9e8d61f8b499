#include "app/qt_desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QWindow>
#include <algorithm>

#include "app/keyring.h"
#include "app/password_dialog.h"
#include "conversation/connection_driver.h"
#include "link/admission_gate.h"
#include "link/display_ops.h"
#include "session/session.h"

namespace zd {

bool QtDesktop::LookUpPassword(const std::string& owner) {
    if (!Keyring::Available()) return false;
    QPointer<QWidget> window = m_owner;
    Keyring::Read(QString::fromStdString(owner), [this, window](std::optional<Secret> kept) {
        if (window && kept)
            AnswerPasswordQuestion(m_session, std::move(kept), PasswordSource::kKeyring);
    });
    return true;
}

bool QtDesktop::AskPassword(const std::string& owner, const std::string& refusal) {
    // Asked at once, while the keyring may still be looked in: a keyring
    // that has to start can take most of the Newton's 30 s.
    StopAskingPassword();
    auto* dialog = new PasswordDialog(
        m_owner, QString::fromStdString(owner + "'s Newton"), QString::fromStdString(refusal),
        Keyring::Available(), [this](std::optional<Secret> password, bool remember) {
            AnswerPasswordQuestion(
                m_session, std::move(password),
                remember ? PasswordSource::kUserToRemember : PasswordSource::kUser);
        });
    m_passwordDialog = dialog;
    dialog->adjustSize();
    // Over the window, or, with the window hidden in the tray, amid the screen.
    if (!m_owner->isVisible()) {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        dialog->move(screen.center() - dialog->rect().center());
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return true;
}

void QtDesktop::StopAskingPassword() {
    if (m_passwordDialog) m_passwordDialog->Withdraw();
    m_passwordDialog = nullptr;
}

std::function<void(QString)> QtDesktop::KeyringFailed(const std::string& what) {
    QPointer<QWidget> window = m_owner;
    return [this, window, what](const QString& why) {
        if (window) LogLine(m_session, what + " (" + why.toStdString() + ").");
    };
}

void QtDesktop::RememberPassword(const std::string& owner, const Secret& password) {
    Keyring::Write(QString::fromStdString(owner), password,
                   KeyringFailed("The keyring could not keep the password"));
}

void QtDesktop::ForgetPassword(const std::string& owner) {
    Keyring::Forget(QString::fromStdString(owner),
                    KeyringFailed("The keyring could not forget the password"));
}

bool QtDesktop::AskToAdmit(const std::string& address) {
    if (!m_owner->isVisible()) return false;
    auto* box =
        new QMessageBox(QMessageBox::Question, "A Newton on the network",
                        QString::fromStdString("A Newton at " + address + " wants to connect."),
                        QMessageBox::NoButton, m_owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    QPushButton* once = box->addButton("Allow &once", QMessageBox::AcceptRole);
    QPushButton* always = box->addButton("&Always allow", QMessageBox::AcceptRole);
    QPushButton* refuse = box->addButton("&Refuse", QMessageBox::RejectRole);
    box->setDefaultButton(refuse);
    box->setEscapeButton(refuse);
    QObject::connect(box, &QMessageBox::finished, m_owner, [this, box, once, always, address] {
        m_admissionQuestions.erase(address);
        const QAbstractButton* chosen = box->clickedButton();
        AnswerAdmission(m_session, address,
                        chosen == once     ? AdmissionAnswer::kOnce
                        : chosen == always ? AdmissionAnswer::kAlways
                                           : AdmissionAnswer::kRefuse);
    });
    m_admissionQuestions[address] = box;
    // Shown while the user is in the program; otherwise told, and shown when
    // the user comes: a window manager hands a new dialog the keyboard, and
    // keys typed into another program must not answer it.
    if (QApplication::activeWindow()) {
        box->show();
    } else {
        Tell({"A Newton on the network wants to connect",
              "From " + address + ": answer in Zandorelle.", ""});
        WatchFocus();
    }
    return true;
}

void QtDesktop::StopAsking(const std::string& address) {
    const auto asked = m_admissionQuestions.find(address);
    if (asked == m_admissionQuestions.end()) return;
    QPointer<QMessageBox> box = asked->second;
    m_admissionQuestions.erase(asked);
    if (!box) return;
    box->disconnect(m_owner);  // no answer: the question is over
    box->close();
}

QString QtDesktop::Caption() {
    return QFileInfo(QCoreApplication::applicationFilePath()).baseName();
}

bool QtDesktop::HasClipboardText() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data != nullptr && data->hasText();
}

std::optional<std::string> QtDesktop::ClipboardText() {
    return QApplication::clipboard()->text().toStdString();
}

namespace {

// Puts `text` on the clipboard; false when the desktop would not have it.
bool TryClipboard(const QString& text) {
    // A Wayland compositor ignores the clipboard of a program without the
    // focus, while Qt goes on answering with what it was given.
    if (QGuiApplication::platformName() == "wayland" && QGuiApplication::focusWindow() == nullptr)
        return false;
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText(text);
    return clipboard->text() == text;
}

}  // namespace

bool QtDesktop::SetClipboardText(const std::string& text) {
    const QString utf8 = QString::fromStdString(text);
    if (TryClipboard(utf8)) {
        m_refusedClipboard.reset();
        return true;
    }
    m_refusedClipboard = utf8;
    WatchFocus();
    return false;
}

void QtDesktop::WatchFocus() {
    if (m_watchingFocus) return;
    m_watchingFocus = true;
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, m_owner, [this](QWindow* focused) {
        if (focused) UserCameBack();
    });
}

void QtDesktop::UserCameBack() {
    for (const auto& [address, box] : m_admissionQuestions)
        if (box && !box->isVisible()) box->show();
    if (!m_refusedClipboard || !TryClipboard(*m_refusedClipboard)) return;
    m_refusedClipboard.reset();
    LogLine(m_session, "The item the desktop refused is on the clipboard now.");
}

void QtDesktop::OpenUrl(const std::string& address) {
    // The browser wants the address without the item's line end.
    const QString text = QString::fromStdString(address).trimmed();
    QDesktopServices::openUrl(QUrl::fromUserInput(text));
}

std::optional<std::string> QtDesktop::ChooseFileToSend() {
    return ChooseFile("Text Files (*.txt)", "*.txt");
}

std::optional<std::string> QtDesktop::ChooseBackup() {
    return ChooseFile("Newton Backups (*.newtonbackup)", "*.newtonbackup");
}

std::optional<std::string> QtDesktop::ChooseFile(const QString& kind, const QString& pattern) {
    QString path;
    if (m_nextFile) {
        path = *m_nextFile;
        m_nextFile.reset();
    } else {
        QFileDialog dialog(m_owner);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({kind, "All Files (*)"});
        dialog.selectFile(pattern);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().first();
    }
    if (path.isEmpty()) return std::nullopt;
    return QFile::encodeName(path).toStdString();
}

void QtDesktop::OpenFolder(const std::string& folder) {
    if (m_recordBoxes) {
        m_folders << QFile::decodeName(QByteArray::fromStdString(folder));
        return;
    }
    OpenLocalPath(folder);
}

void QtDesktop::OpenLocalPath(const std::string& path) {
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path))));
}

std::optional<std::string> QtDesktop::ChooseFolder(const QString& title, const std::string& start) {
    QString path;
    if (m_nextFolder) {
        path = *m_nextFolder;
        m_nextFolder.reset();
    } else {
        path = QFileDialog::getExistingDirectory(
            m_owner, title, QFile::decodeName(QByteArray::fromStdString(start)));
    }
    if (path.isEmpty()) return std::nullopt;
    return QFile::encodeName(path).toStdString();
}

void QtDesktop::ShowFileError(const std::string& message) {
    const QString text = QString::fromStdString(message);
    if (m_recordBoxes) {
        m_messages << text;
        return;
    }
    QMessageBox::warning(m_owner, Caption(), text);
}

}  // namespace zd
