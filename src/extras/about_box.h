// The About box: the version text and build date above two pictures.
#pragma once

#include <QDialog>

namespace zd {

inline constexpr const char* kBuildDate = "Aug 18 1998";
inline constexpr const char* kVersionText = "Zandorelle for Windows ver 1.0b2";

class AboutBox : public QDialog {
    Q_OBJECT

public:
    explicit AboutBox(QWidget* parent = nullptr);

    // Sets the date and version texts, as each opening (and OK) does.
    void exchangeData();

    void accept() override;
};

}  // namespace zd
