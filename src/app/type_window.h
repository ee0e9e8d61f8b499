// "Type on the Newton": a small window with a text field whose every key goes
// to the Newton as it is typed, through its Connection application's
// keyboard.  The field shows what was typed; Ctrl+V there types the
// clipboard; leaving the field or pressing Escape ends the keyboard, and
// closing the window forgets what it showed.
#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <optional>
#include <string>

class QKeyEvent;

namespace zd {

struct Session;

// What a key typed in the field is for the Newton.
struct NewtonKey {
    std::string text;  // characters to type, or empty for a key of its own
    char16_t key = 0;  // dock::Key, when `text` is empty
};

// `event` as the Newton takes it; nullopt for keys it has no use for
// (modifiers alone, function keys, shortcuts).
std::optional<NewtonKey> NewtonKeyOf(const QKeyEvent& event);

class TypeField : public QPlainTextEdit {
    Q_OBJECT

public:
    TypeField(Session& session, QWidget* parent);

signals:
    // Escape: the user is done typing.
    void done();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    Session& m_session;
};

class TypeWindow : public QDialog {
    Q_OBJECT

public:
    TypeWindow(Session& session, QWidget* parent);

    TypeField* field() const { return m_field; }

private:
    TypeField* m_field;
};

}  // namespace zd
