#include "app/export_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "base/prefs_keys.h"
#include "base/prefs_store.h"

namespace zd {
namespace {

struct Kind {
    const char* caption;
    const char* pref;
    bool ExportChoice::*ticked;
};

constexpr Kind kKinds[] = {
    {"&Notes (text files)", prefs::kExportNotes, &ExportChoice::notes},
    {"N&ames (Names.vcf)", prefs::kExportNames, &ExportChoice::names},
    {"&Dates (Dates.ics)", prefs::kExportDates, &ExportChoice::dates},
    {"&To Do (To Do.ics)", prefs::kExportToDo, &ExportChoice::todo},
};

}  // namespace

ExportDialog::ExportDialog(QWidget* owner, PrefsStore& prefs) : QDialog(owner), m_prefs(prefs) {
    setWindowTitle("Save the Newton's data");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Save from the Newton:", this));
    for (size_t i = 0; i < std::size(kKinds); ++i) {
        m_boxes[i] = new QCheckBox(kKinds[i].caption, this);
        m_boxes[i]->setChecked(ReadSwitch(prefs, kKinds[i].pref, true));
        layout->addWidget(m_boxes[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    QPushButton* folder =
        buttons->addButton("Choose the &folder\u2026", QDialogButtonBox::AcceptRole);
    QPushButton* backup =
        buttons->addButton("From a &backup file\u2026", QDialogButtonBox::ActionRole);
    // Nothing ticked, nothing to save: the way on is closed.
    const auto enable = [this, folder, backup] {
        const bool any = std::any_of(std::begin(m_boxes), std::end(m_boxes),
                                     [](const QCheckBox* box) { return box->isChecked(); });
        folder->setEnabled(any);
        backup->setEnabled(any);
    };
    for (QCheckBox* box : m_boxes) connect(box, &QCheckBox::toggled, this, enable);
    enable();
    connect(backup, &QPushButton::clicked, this, [this] {
        m_fromBackup = true;
        accept();
    });
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::optional<ExportChoice> ExportDialog::Ask() {
    if (exec() != QDialog::Accepted) return std::nullopt;
    ExportChoice choice;
    for (size_t i = 0; i < std::size(kKinds); ++i) {
        choice.*kKinds[i].ticked = m_boxes[i]->isChecked();
        m_prefs.SetPrefInt(m_boxes[i]->isChecked() ? 1 : 0, kKinds[i].pref);
    }
    if (!choice.any()) return std::nullopt;
    return choice;
}

}  // namespace zd
