// The message log, the state and transit fields, and what is dropped on the
// window.
#include "app/main_window.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QWindow>
#include <algorithm>

#include "base/counted.h"
#include "conversation/conversation.h"
#include "conversation/install.h"
#include "link/display_ops.h"
#include "session/session.h"

namespace zd {
namespace {

// The copy keys, which copy from the log while it has a selection (the log
// is read-only, so a cut can only copy).
bool IsCopyKey(const QKeyEvent* key) {
    return key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut);
}

}  // namespace

bool MainWindow::logTakesKey(const QKeyEvent* key) const {
    return IsCopyKey(key) && m_log->textCursor().hasSelection();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose && m_placement &&
        windowHandle()->isExposed()) {
        const WindowRect placement = *m_placement;
        m_placement.reset();
        applyPlacement(placement);
    }
    if (watched == m_log &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (logTakesKey(key)) {
            // The log takes the key before the menu's shortcut sees it.
            if (event->type() == QEvent::KeyPress) m_log->copy();
            event->accept();
            return true;
        }
        // Without a selection, Ctrl+X is the menu's (Exit), not a cut.
        if (key->matches(QKeySequence::Cut) && event->type() == QEvent::ShortcutOverride) {
            event->ignore();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (data->hasUrls()) {
        std::vector<std::string> packages, files;
        for (const QUrl& url : data->urls()) {
            if (!url.isLocalFile()) continue;
            const QString path = url.toLocalFile();
            const bool package = path.endsWith(".pkg", Qt::CaseInsensitive) ||
                                 path.endsWith(".newtonpkg", Qt::CaseInsensitive);
            (package ? packages : files).push_back(QFile::encodeName(path).toStdString());
        }
        // Packages dropped are installed through the Newton's Connection.
        if (!packages.empty()) {
            RequestInstall(m_session, packages);
            return;
        }
        if (!files.empty()) return OnFilesDropped(m_session, files);
    }
    std::optional<std::string> text;
    if (data->hasText()) text = data->text().toStdString();
    OnTextDropped(m_session, text);
}

void MainWindow::ReplaceLogSelection(std::string_view text) {
    const QString piece =
        text == kLogLineEnd ? QString("\n") : QString::fromUtf8(text.data(), text.size());
    // At the end, whatever the user clicked or selected; the view follows it
    // (see buildControls).
    QTextCursor end(m_log->document());
    end.movePosition(QTextCursor::End);
    end.insertText(piece);
}

void MainWindow::SetStateText(std::string_view text) {
    m_stateField->setText(QString::fromUtf8(text.data(), text.size()));
}

void MainWindow::SetTransitText(std::string_view text) {
    // A count of bytes is shown as one ("39,680 bytes"); counts of entries
    // come with their noun.
    const bool bytes = !text.empty() && std::all_of(text.begin(), text.end(),
                                                    [](char c) { return c >= '0' && c <= '9'; });
    m_transitField->setText(
        bytes ? QString::fromStdString(WithThousands(std::stoull(std::string(text))) + " bytes")
              : QString::fromStdString(std::string(text)));
}

}  // namespace zd
