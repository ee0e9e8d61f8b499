#include "extras/folder_picker.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

namespace zd {
namespace {

std::optional<std::optional<QString>> g_nextPick;

}  // namespace

QString FolderToOpenAt(const QString& path) {
    // An empty "Dir" means the home folder, where items then go.
    return path.isEmpty() ? QDir::homePath() : path;
}

void SetNextPickedFolder(std::optional<QString> folder) {
    g_nextPick = folder;
}

bool PickFolder(QString& path, QWidget* owner, int classic, const QString& title) {
    if (classic & 1) return false;  // the old-style chooser ends as cancelled
    QString chosen;
    if (g_nextPick) {
        chosen = g_nextPick->value_or(QString());
        g_nextPick.reset();
    } else {
        chosen = QFileDialog::getExistingDirectory(owner, title, FolderToOpenAt(path));
    }
    if (chosen.isEmpty()) return false;
    path = chosen;
    return true;
}

void BrowseEdit::SetBrowseOptions(int classic, const QString& title) {
    m_classic = classic;
    m_title = title;
}

bool BrowseEdit::AttachToEdit(QLineEdit* edit) {
    if (edit == nullptr || !edit->isReadOnly()) return false;
    m_edit = edit;
    return CreateBrowseButton();
}

bool BrowseEdit::CreateBrowseButton() {
    const QRect edit = m_edit->geometry();
    m_button = new QPushButton("...", m_edit->parentWidget());
    // Flush against the edit's right side, 0.8 times as wide as it is high.
    m_button->setGeometry(edit.x() + edit.width(), edit.y(), 8 * edit.height() / 10, edit.height());
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setAutoDefault(false);
    m_button->setToolTip("Modify");
    m_button->setFont(m_edit->parentWidget()->font());
    connect(m_button, &QPushButton::clicked, this, &BrowseEdit::Browse);
    return true;
}

void BrowseEdit::Browse() {
    QString path = m_edit->text();
    if (PickFolder(path, m_edit, m_classic & 1, m_title)) m_edit->setText(path);
}

bool BindBrowseEdit(bool loading, QLineEdit* edit, BrowseEdit& field, int classic,
                    const QString& title) {
    if (loading && !field.attached() && !field.AttachToEdit(edit)) return false;
    field.SetBrowseOptions(classic, title);
    return true;
}

}  // namespace zd
