// The folder field of the preferences: a read-only edit with a "..." button
// flush against its right side that opens a folder chooser starting at the
// folder shown.
#pragma once

#include <QObject>
#include <QString>
#include <optional>

class QLineEdit;
class QPushButton;
class QWidget;

namespace zd {

// Where the folder dialog opens for the receive folder `path`.
QString FolderToOpenAt(const QString& path);

// Lets the user choose a folder, starting at `path`.  True when one was chosen
// and `path` now holds it; false when cancelled.  Bit 0 of `classic` asks for
// the old-style dialog, which does not exist here and ends as cancelled.
bool PickFolder(QString& path, QWidget* owner, int classic, const QString& title);

// Test seam: the next PickFolder answers `folder` (nullopt: cancelled) at once.
void SetNextPickedFolder(std::optional<QString> folder);

class BrowseEdit : public QObject {
    Q_OBJECT

public:
    void SetBrowseOptions(int classic, const QString& title);
    // Takes over `edit` and puts the button beside it.  False when `edit` is
    // missing or not read-only: the field works only on read-only edits.
    bool AttachToEdit(QLineEdit* edit);
    // Runs the chooser and puts a chosen folder into the edit.
    void Browse();

    bool attached() const { return m_edit != nullptr; }
    QPushButton* button() const { return m_button; }

private:
    bool CreateBrowseButton();

    QLineEdit* m_edit = nullptr;
    QPushButton* m_button = nullptr;
    int m_classic = 0;
    QString m_title;
};

// Binds `field` to `edit` when the dialog loads (the first time only) and sets
// its options in both directions.  False when the edit cannot be taken over.
bool BindBrowseEdit(bool loading, QLineEdit* edit, BrowseEdit& field, int classic,
                    const QString& title);

}  // namespace zd
