// The window's pictures, drawn in code so they are sharp at any scale: the five
// button faces (normal and pressed), the drop area, the line along the top and
// the program icon.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace zd {

enum class Picture {
    kOpen,
    kClose,
    kPrefs,
    kPaste,
    kExtra,     // the button faces
    kDropArea,  // 132 x 92
    kLine,      // 157 x 2
};

// The picture at its size in logical pixels, drawn for `pixelRatio` (1 or 2).
// `pressed` selects the pressed face of a button.
QPixmap DrawPicture(Picture picture, bool pressed = false, qreal pixelRatio = 1.0);

// The logical size of a picture.
QSize PictureSize(Picture picture, bool pressed = false);

// The program icon at the usual sizes.
QIcon ProgramIcon();

}  // namespace zd
