#include "ui/dialog_units.h"

#include <QApplication>
#include <QFontMetrics>

namespace zd {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average over the 52 letters, rounded, as the dialog manager takes it.
    const int letters =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseX = (letters / 26 + 1) / 2;
    m_baseY = metrics.height();
}

QFont DialogFont() {
    QFont font = QApplication::font();
    font.setPointSize(8);
    return font;
}

}  // namespace zd
