// Dialog units, the measure the window's layout is given in: a quarter of the
// dialog font's average character width across, an eighth of its height down.
#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>

namespace zd {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const { return units * m_baseX / 4; }
    int y(int units) const { return units * m_baseY / 8; }
    QRect rect(int left, int top, int width, int height) const {
        return QRect(x(left), y(top), x(width), y(height));
    }

private:
    int m_baseX;  // average character width in pixels
    int m_baseY;  // character height in pixels
};

// Gives a dialog's control its id, by which it is found (as the commands and
// the tests name it).
inline void Identify(QWidget* control, int id) {
    control->setObjectName(QString::number(id));
}

// The font the window's layout is measured in: the desktop's sans serif at
// 8 points, as the dialogs were drawn in MS Sans Serif 8.
QFont DialogFont();

}  // namespace zd
