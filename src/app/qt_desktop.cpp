#include "app/qt_desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
#include <algorithm>

#include "base/display_ops.h"
#include "base/session.h"

namespace zd {

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
    if (!m_watchingFocus) {
        m_watchingFocus = true;
        QObject::connect(
            qApp, &QGuiApplication::focusWindowChanged, m_owner, [this](QWindow* focused) {
                if (focused == nullptr || !m_refusedClipboard || !TryClipboard(*m_refusedClipboard))
                    return;
                m_refusedClipboard.reset();
                LogLine(m_session, "The item the desktop refused is on the clipboard now.");
            });
    }
    return false;
}

void QtDesktop::OpenUrl(const std::string& address) {
    // The browser wants the address without the item's line end.
    const QString text = QString::fromStdString(address).trimmed();
    QDesktopServices::openUrl(QUrl::fromUserInput(text));
}

std::optional<std::string> QtDesktop::ChooseFileToSend() {
    QString path;
    if (m_nextFile) {
        path = *m_nextFile;
        m_nextFile.reset();
    } else {
        QFileDialog dialog(m_owner);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({"Text Files (*.txt)", "All Files (*)"});
        dialog.selectFile("*.txt");
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
