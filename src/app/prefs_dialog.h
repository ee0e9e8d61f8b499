// The preferences: the four switches, the serial port, the receive folder,
// the folder the Newton browses for packages, and the Newtons on other
// machines that may connect.
// Opening fills the controls from the preference file and the DIL's port list;
// OK writes every control back at once; Cancel writes nothing.
#pragma once

#include <QDialog>

#include "extras/folder_picker.h"

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace zd {

struct Session;

class PrefsDialog : public QDialog {
    Q_OBJECT

public:
    PrefsDialog(Session& session, QWidget* parent = nullptr);

    // Runs the dialog modally; its result (1 OK, 2 Cancel, -1 when it could not
    // be filled).
    int run();

    void accept() override;

private:
    bool load();
    void save();
    // Each port button as wide as its name; the dialog grows to hold them.
    void fitPortButtons();

    Session& m_session;
    BrowseEdit m_folderField;
    QLineEdit* m_folder = nullptr;
    BrowseEdit m_packageFolderField;
    QLineEdit* m_packageFolder = nullptr;
    QListWidget* m_allowed = nullptr;
    QRadioButton* m_ports[4] = {};
    QCheckBox* m_saveAsFile = nullptr;
    QCheckBox* m_url = nullptr;
    QCheckBox* m_listen = nullptr;
    QCheckBox* m_sysTray = nullptr;
};

}  // namespace zd
