#include "app/picture_button.h"

#include <QPainter>

namespace zd {

PictureButton::PictureButton(Picture picture, QWidget* parent)
    : QAbstractButton(parent), m_picture(picture) {
    setFocusPolicy(Qt::TabFocus);
    resize(sizeHint());
}

QSize PictureButton::sizeHint() const {
    return PictureSize(m_picture);
}

void PictureButton::paintEvent(QPaintEvent*) {
    const bool pressed = isDown();
    // Drawn for the screen's scale, so it stays sharp on a high-density display.
    const QPixmap face = DrawPicture(m_picture, pressed, devicePixelRatioF());
    const QSize size = PictureSize(m_picture, pressed);
    QPainter p(this);
    p.drawPixmap(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), face);
    if (hasFocus()) {
        p.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(2, 2, -3, -3));
    }
}

}  // namespace zd
