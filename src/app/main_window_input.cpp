// The keyboard, and the input that comes while the link waits: Enter and
// Escape end the run, a disconnect is kept for after the wait.
#include "app/main_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QWindow>

#include "link/progress.h"
#include "session/session.h"
#include "ui/command_ids.h"

namespace zd {

void MainWindow::duringWait() {
    // Painted and answering the desktop; the user's input waits its turn,
    // but for the keys that end the program.
    m_waiting = true;
    m_heldInput.ProcessEvents();
    ShowProgress(m_session);
    m_waiting = false;
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (!endByKey(event)) QWidget::keyPressEvent(event);
}

bool MainWindow::endByKey(const QKeyEvent* key) {
    // Enter and Escape end the window at once, as a dialog's OK and Cancel do,
    // when the user pressed them here.
    const bool ok = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!ok && key->key() != Qt::Key_Escape) return false;
    if (!m_keyTaps.Press(key->key(), key->timestamp(), key->isAutoRepeat())) return false;
    command(ok ? command::kOk : command::kCancel);
    return true;
}

QAction* MainWindow::shortcutAction(const QKeyEvent* key) const {
    // The log takes a copy key while it has a selection, before the menu.
    if (logTakesKey(key)) return nullptr;
    const QKeySequence pressed(key->keyCombination());
    for (QAction* action : m_menu->findChildren<QAction*>()) {
        if (action->isEnabled() && action->shortcut() == pressed) return action;
    }
    return nullptr;
}

bool MainWindow::ownsInput(QObject* receiver) const {
    if (const auto* widget = qobject_cast<const QWidget*>(receiver))
        return widget->window() == this;
    return receiver == windowHandle();
}

bool MainWindow::actsDuringWait(QObject* receiver, QEvent* event) {
    // Disconnect gives up the wait now and is carried out when it has ended.
    bool disconnect = false;
    if (event->type() == QEvent::KeyPress && ownsInput(receiver)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (endByKey(key)) return true;
        const QAction* action = shortcutAction(key);
        disconnect = action && action->data().toInt() == command::kDisconnect;
    } else if (event->type() == QEvent::MouseButtonRelease && receiver == windowHandle()) {
        const QWidget* target = childAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        disconnect = target && target->objectName() == QString::number(command::kDisconnect);
    }
    if (disconnect) m_session.svc.dil.CD_Cancel();
    return false;
}

void MainWindow::deliverHeld(QObject* receiver, QEvent* event) {
    // A wait given up for a disconnect is over once its operation is.
    if (!m_ended) m_session.svc.dil.CD_Resume();
    // A kept key comes as the key alone: its shortcut is looked up here.
    if (event->type() == QEvent::KeyPress) {
        if (QAction* action = shortcutAction(static_cast<QKeyEvent*>(event))) {
            action->trigger();
            return;
        }
    }
    QCoreApplication::sendEvent(receiver, event);
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    m_keyTaps.Release(event->key(), event->timestamp());
    QWidget::keyReleaseEvent(event);
}

}  // namespace zd
