#include "app/type_window.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "conversation/connection_driver.h"
#include "conversation/conversation.h"
#include "dock/keyboard_text.h"

namespace zd {

std::optional<NewtonKey> NewtonKeyOf(const QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return NewtonKey{{}, dock::kReturnKey};
        case Qt::Key_Backspace:
            return NewtonKey{{}, dock::kBackspaceKey};
        case Qt::Key_Tab:
            return NewtonKey{{}, dock::kTabKey};
        case Qt::Key_Left:
            return NewtonKey{{}, dock::kLeftKey};
        case Qt::Key_Right:
            return NewtonKey{{}, dock::kRightKey};
        case Qt::Key_Up:
            return NewtonKey{{}, dock::kUpKey};
        case Qt::Key_Down:
            return NewtonKey{{}, dock::kDownKey};
        default:
            break;
    }
    // Shortcuts are no text, whatever characters they carry.
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    const QString text = event.text();
    if (text.isEmpty() || !text.at(0).isPrint()) return std::nullopt;
    return NewtonKey{text.toStdString(), 0};
}

TypeField::TypeField(Session& session, QWidget* parent)
    : QPlainTextEdit(parent), m_session(session) {
    setTabChangesFocus(false);
    setPlaceholderText("What you type here is typed on the Newton.");
}

void TypeField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        emit done();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        const QString clipboard = QApplication::clipboard()->text();
        if (!clipboard.isEmpty()) {
            TypeText(m_session, clipboard.toStdString());
            insertPlainText(clipboard);
        }
        return;
    }
    if (const std::optional<NewtonKey> key = NewtonKeyOf(*event)) {
        if (key->text.empty()) {
            PressLiveKey(m_session, key->key);
        } else {
            TypeLive(m_session, key->text);
        }
    }
    // The field shows what the Newton was sent.
    QPlainTextEdit::keyPressEvent(event);
}

void TypeField::focusInEvent(QFocusEvent* event) {
    OpenLiveKeyboard(m_session);
    QPlainTextEdit::focusInEvent(event);
}

void TypeField::focusOutEvent(QFocusEvent* event) {
    CloseLiveKeyboard(m_session);
    QPlainTextEdit::focusOutEvent(event);
}

TypeWindow::TypeWindow(Session& session, QWidget* parent)
    : QDialog(parent), m_field(new TypeField(session, this)) {
    setWindowTitle("Type on the Newton");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Keys typed here go to the Newton at once; Escape ends.", this));
    layout->addWidget(m_field);
    resize(360, 160);
    connect(m_field, &TypeField::done, this, &QDialog::close);
    // What was typed went to the Newton then: the next session starts empty.
    connect(this, &QDialog::finished, m_field, &QPlainTextEdit::clear);
}

}  // namespace zd
