#include "app/prefs_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "base/prefs_keys.h"
#include "session/session.h"
#include "ui/dialog_units.h"

namespace zd {
namespace {

constexpr const char* kFolderTitle = "Please specify a folder";

}  // namespace

PrefsDialog::PrefsDialog(Session& session, QWidget* parent) : QDialog(parent), m_session(session) {
    setWindowTitle("Zandorelle Preferences");
    setFont(DialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(264), du.y(159));

    auto* ok = new QPushButton("OK", this);
    Identify(ok, 1);
    ok->setDefault(true);
    ok->setGeometry(du.rect(207, 7, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton("Cancel", this);
    Identify(cancel, 2);
    cancel->setAutoDefault(false);
    cancel->setGeometry(du.rect(207, 24, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto check = [&](int id, const char* text, QRect place) {
        auto* box = new QCheckBox(text, this);
        Identify(box, id);
        box->setGeometry(place);
        return box;
    };
    m_saveAsFile =
        check(1022, "Save files (not recommended for power users)", du.rect(15, 15, 159, 10));
    m_url = check(1023, "Allow Newton to launch URLs", du.rect(15, 30, 111, 10));
    m_listen = check(1024, "Auto listen on startup", du.rect(15, 45, 82, 10));
    m_sysTray = check(1025, "Enable ZD icon in system tray", du.rect(122, 44, 109, 10));

    auto* connectVia = new QLabel("Connect via:", this);
    Identify(connectVia, 1004);
    connectVia->setAlignment(Qt::AlignRight | Qt::AlignTop);
    connectVia->setGeometry(du.rect(7, 60, 50, 8));
    auto* ports = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        m_ports[i] = new QRadioButton(this);
        Identify(m_ports[i], 1000 + i);
        m_ports[i]->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
        m_ports[i]->setGeometry(du.rect(71 + 43 * i, 60, 33, 9));
        ports->addButton(m_ports[i]);
    }

    m_folder = new QLineEdit(this);
    Identify(m_folder, 1005);
    m_folder->setReadOnly(true);
    m_folder->setGeometry(du.rect(97, 74, 133, 14));
    auto* folderLabel = new QLabel("Default receive folder", this);
    folderLabel->setGeometry(du.rect(18, 77, 68, 8));

    // Where the Newton's user browses from when tapping Install on the Newton.
    m_packageFolder = new QLineEdit(this);
    Identify(m_packageFolder, 1006);
    m_packageFolder->setReadOnly(true);
    m_packageFolder->setPlaceholderText("The receive folder");
    m_packageFolder->setGeometry(du.rect(97, 95, 133, 14));
    auto* packageLabel = new QLabel("Packages for the Newton", this);
    packageLabel->setGeometry(du.rect(7, 98, 86, 8));

    // The Newtons on other machines that may connect ("Always allow").
    auto* allowedLabel = new QLabel("Newtons allowed from the network", this);
    allowedLabel->setGeometry(du.rect(7, 116, 120, 8));
    m_allowed = new QListWidget(this);
    Identify(m_allowed, 1007);
    m_allowed->setGeometry(du.rect(97, 113, 133, 38));
    auto* remove = new QPushButton("Remove", this);
    Identify(remove, 1008);
    remove->setAutoDefault(false);
    remove->setGeometry(du.rect(207, 113, 50, 14));
    connect(remove, &QPushButton::clicked, this, [this] { delete m_allowed->currentItem(); });
}

int PrefsDialog::run() {
    if (!load()) return -1;
    return exec();
}

bool PrefsDialog::load() {
    PrefsStore& prefs = m_session.svc.prefs;
    m_folder->setText(QString::fromStdString(prefs.GetPrefString(prefs::kDir)));
    m_packageFolder->setText(QString::fromStdString(prefs.GetPrefString(prefs::kPackageDir)));
    m_allowed->clear();
    for (const QString& entry : QString::fromStdString(prefs.GetPrefString(prefs::kNetAllow))
                                    .split(',', Qt::SkipEmptyParts))
        m_allowed->addItem(entry.trimmed());
    if (!BindBrowseEdit(true, m_folder, m_folderField, 0, kFolderTitle) ||
        !BindBrowseEdit(true, m_packageFolder, m_packageFolderField, 0, kFolderTitle)) {
        return false;
    }

    int32_t port = 0, sysTray = 0, value = 0;
    prefs.GetPrefInt(port, prefs::kPort);
    prefs.GetPrefInt(sysTray, prefs::kSysTray);
    m_session.switches.saveAsFile = prefs.GetPrefInt(value, prefs::kSaveAsFile) != 0;
    m_session.switches.launchUrl = prefs.GetPrefInt(value, prefs::kUrl) != 0;
    m_session.switches.autoListen = prefs.GetPrefInt(value, prefs::kListen) != 0;

    // Port names until the DIL has no more; a name of one or two characters is
    // not shown.
    for (int index = 0; index < 4;) {
        char name[80] = {};
        int32_t length = 79;
        const int32_t result = m_session.svc.dil.CD_GetSerialPortName(index, name, &length);
        if (result == kDilOk) {
            if (length > 2) {
                m_ports[index]->setText(QString::fromUtf8(name, length));
                m_ports[index]->setToolTip(QString::fromUtf8(name, length));
            }
            ++index;
        }
        m_saveAsFile->setChecked(m_session.switches.saveAsFile);
        m_url->setChecked(m_session.switches.launchUrl);
        m_listen->setChecked(m_session.switches.autoListen);
        m_sysTray->setChecked(sysTray != 0);
        if (result != kDilOk) break;
    }
    // -1 (the network) names no button: none is checked.
    if (port >= 0 && port <= 3) m_ports[port]->setChecked(true);
    fitPortButtons();
    return true;
}

void PrefsDialog::fitPortButtons() {
    const DialogUnits du(font());
    int left = du.x(71);
    for (QRadioButton* button : m_ports) {
        QRect place = button->geometry();
        place.moveLeft(left);
        place.setWidth(std::max(du.x(33), button->sizeHint().width()));
        button->setGeometry(place);
        left = place.right() + 1 + du.x(10);
    }
    const int right = m_ports[3]->geometry().right() + 1 + du.x(7);
    if (right > width()) setFixedSize(right, height());
}

void PrefsDialog::save() {
    PrefsStore& prefs = m_session.svc.prefs;
    BindBrowseEdit(false, m_folder, m_folderField, 0, kFolderTitle);
    prefs.SetPrefString(m_folder->text().toStdString(), prefs::kDir);
    BindBrowseEdit(false, m_packageFolder, m_packageFolderField, 0, kFolderTitle);
    prefs.SetPrefString(m_packageFolder->text().toStdString(), prefs::kPackageDir);
    QStringList allowed;
    for (int i = 0; i < m_allowed->count(); ++i) allowed << m_allowed->item(i)->text();
    prefs.SetPrefString(allowed.join(',').toStdString(), prefs::kNetAllow);
    for (int i = 0; i < 4; ++i) {
        if (m_ports[i]->isChecked()) prefs.SetPrefInt(i, prefs::kPort);
    }
    m_session.switches.saveAsFile = m_saveAsFile->isChecked();
    prefs.SetPrefInt(m_session.switches.saveAsFile ? 1 : 0, prefs::kSaveAsFile);
    m_session.switches.launchUrl = m_url->isChecked();
    prefs.SetPrefInt(m_session.switches.launchUrl ? 1 : 0, prefs::kUrl);
    m_session.switches.autoListen = m_listen->isChecked();
    prefs.SetPrefInt(m_session.switches.autoListen ? 1 : 0, prefs::kListen);
    prefs.SetPrefInt(m_sysTray->isChecked() ? 1 : 0, prefs::kSysTray);
}

void PrefsDialog::accept() {
    save();
    QDialog::accept();
}

}  // namespace zd
