#include "app/held_input.h"

#include <QCoreApplication>
#include <QEvent>

namespace zd {
namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::NativeGesture:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
            return true;
        default:
            return false;
    }
}

bool IsDrag(QEvent::Type type) {
    return type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
}

}  // namespace

HeldInput::HeldInput(std::function<bool(QObject*, QEvent*)> urgent,
                     std::function<void(QObject*, QEvent*)> deliver)
    : m_urgent(std::move(urgent)), m_deliver(std::move(deliver)) {
    m_delivery.setSingleShot(true);
    m_delivery.setInterval(10);
    connect(&m_delivery, &QTimer::timeout, this, [this] { Deliver(); });
}

void HeldInput::ProcessEvents() {
    m_holding = true;
    QCoreApplication::instance()->installEventFilter(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::instance()->removeEventFilter(this);
    m_holding = false;
}

bool HeldInput::eventFilter(QObject* watched, QEvent* event) {
    if (!m_holding) return false;
    const QEvent::Type type = event->type();
    if (IsDrag(type)) {
        event->ignore();
        return true;
    }
    if (type == QEvent::ShortcutOverride) {
        // Taken as the focus's own key: no shortcut runs now, and the key
        // comes to the window, where it is kept.
        event->accept();
        return true;
    }
    // Input reaches a window before any of its widgets; it is held there.
    if (!IsUserInput(type) || !watched->isWindowType()) return false;
    if (m_urgent(watched, event)) return true;
    m_kept.push_back(Kept{watched, std::unique_ptr<QEvent>(event->clone())});
    m_delivery.start();
    return true;
}

void HeldInput::Deliver() {
    if (m_holding) {
        m_delivery.start();  // the wait goes on
        return;
    }
    // A kept click may start an operation that waits and keeps more input;
    // that comes after what is still here.
    while (!m_kept.empty()) {
        Kept kept = std::move(m_kept.front());
        m_kept.pop_front();
        if (kept.receiver) m_deliver(kept.receiver, kept.event.get());
    }
}

}  // namespace zd
