#include "app/password_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/qt_desktop.h"

namespace zd {

PasswordDialog::PasswordDialog(QWidget* owner, const QString& newton, const QString& refusal,
                               bool keyring, Answer answered)
    : QDialog(owner), m_answered(std::move(answered)) {
    setWindowTitle(QtDesktop::Caption() + ": Connection password");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* question =
        new QLabel("The Newton \"" + newton + "\" asks for its Connection password.", this);
    question->setTextFormat(Qt::PlainText);
    layout->addWidget(question);
    if (!refusal.isEmpty()) {
        auto* refused = new QLabel(refusal, this);
        refused->setTextFormat(Qt::PlainText);
        refused->setObjectName("refusal");
        layout->addWidget(refused);
    }
    m_field = new QLineEdit(this);
    m_field->setEchoMode(QLineEdit::Password);
    m_field->setObjectName("password");
    layout->addWidget(m_field);
    m_remember = new QCheckBox("Remember the password", this);
    if (!keyring) {
        m_remember->setEnabled(false);
        m_remember->setToolTip(
            "No keyring service (GNOME Keyring, KWallet) runs on this desktop, so the "
            "password cannot be kept safely.");
    }
    layout->addWidget(m_remember);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Finish(true); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { Finish(false); });
    connect(this, &QDialog::rejected, this, [this] { Finish(false); });
}

void PasswordDialog::Withdraw() {
    m_answered = nullptr;
    m_field->clear();
    close();
}

void PasswordDialog::Finish(bool given) {
    if (!m_answered) return;
    const Answer answered = std::move(m_answered);
    m_answered = nullptr;
    std::optional<Secret> password;
    if (given) {
        QByteArray utf8 = m_field->text().toUtf8();
        password.emplace(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
        utf8.fill('\0');
    }
    m_field->clear();
    answered(std::move(password), given && m_remember->isChecked());
    close();
}

}  // namespace zd
