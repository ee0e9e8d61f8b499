// A button drawn from pictures, a normal and a pressed one, and as large as its
// normal picture.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

#include "app/pictures.h"

namespace zd {

class PictureButton : public QAbstractButton {
    Q_OBJECT

public:
    PictureButton(Picture picture, QWidget* parent);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Picture m_picture;
};

}  // namespace zd
