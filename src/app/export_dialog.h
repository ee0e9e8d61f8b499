// File, "Save the Newton's data…": which of the Newton's data to save (its
// notes, Names, Dates and To Do, all ticked at first, the choice kept in the
// preferences), from the Newton or from a backup file, then the folder.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <optional>

#include "base/export_choice.h"

namespace zd {

class PrefsStore;

class ExportDialog : public QDialog {
public:
    ExportDialog(QWidget* owner, PrefsStore& prefs);

    // What to save, or nullopt when the user cancelled or ticked nothing.
    // The choice is kept for the next time.
    std::optional<ExportChoice> Ask();
    // True when the user chose to read a backup file instead of the Newton.
    bool fromBackup() const { return m_fromBackup; }

private:
    bool m_fromBackup = false;
    PrefsStore& m_prefs;
    QCheckBox* m_boxes[4];
};

}  // namespace zd
