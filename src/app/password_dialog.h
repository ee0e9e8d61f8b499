// The question for a Newton's Connection password: its owner's Newton named,
// the password typed hidden, and whether to remember it in the keyring.  It
// does not block: the answer comes through `answered` while the window goes
// on serving the Newton.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <functional>
#include <optional>

#include "base/secret.h"

namespace zd {

class PasswordDialog : public QDialog {
public:
    // `answered` hears the password and whether to remember it, or nullopt
    // when the user cancelled.  `refusal` says what became of the last
    // password ("" for none).  Without a keyring the box is disabled and
    // says why.
    using Answer = std::function<void(std::optional<Secret>, bool remember)>;
    PasswordDialog(QWidget* owner, const QString& newton, const QString& refusal, bool keyring,
                   Answer answered);

    // Closes the dialog unanswered: the question is over.
    void Withdraw();

private:
    void Finish(bool given);

    QLineEdit* m_field;
    QCheckBox* m_remember;
    Answer m_answered;
};

}  // namespace zd
