#include "app/pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace zd {
namespace {

const QColor kInk(0x2B, 0x33, 0x3D);
const QColor kFace(0xEE, 0xF1, 0xF4);
const QColor kFacePressed(0xC9, 0xD2, 0xDC);
const QColor kEdge(0x8A, 0x96, 0xA3);
const QColor kGreen(0x2E, 0x9E, 0x5B);
const QColor kRed(0xD0, 0x43, 0x3B);
const QColor kScreen(0xC9, 0xD5, 0xB9);  // the Newton's greenish screen

// The button's face: a rounded square, lit from above, darker when pressed.
void DrawFace(QPainter& p, const QRectF& r, bool pressed) {
    QLinearGradient light(r.topLeft(), r.bottomLeft());
    light.setColorAt(0, pressed ? kFacePressed.darker(105) : Qt::white);
    light.setColorAt(1, pressed ? kFacePressed : kFace);
    p.setPen(QPen(kEdge, 1));
    p.setBrush(light);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
}

void DrawOpen(QPainter& p, const QPointF& c, qreal s) {
    // A green dot sending waves: listening.
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(c + QPointF(-s * 0.15, s * 0.15), s * 0.11, s * 0.11);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kGreen, s * 0.09, Qt::SolidLine, Qt::RoundCap));
    for (int i = 1; i <= 2; ++i) {
        const qreal r = s * (0.2 + 0.17 * i);
        p.drawArc(QRectF(c.x() - s * 0.15 - r, c.y() + s * 0.15 - r, 2 * r, 2 * r), 0, 90 * 16);
    }
}

void DrawClose(QPainter& p, const QPointF& c, qreal s) {
    // A red disc with a white bar: stop.
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(c, s * 0.34, s * 0.34);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(c.x() - s * 0.2, c.y() - s * 0.055, s * 0.4, s * 0.11), 1, 1);
}

void DrawPrefs(QPainter& p, const QPointF& c, qreal s) {
    // A gear.
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal angle = M_PI * i / teeth;
        const qreal r = (i % 2 == 0) ? s * 0.36 : s * 0.27;
        const QPointF at = c + QPointF(r * qCos(angle), r * qSin(angle));
        if (i == 0) {
            gear.moveTo(at);
        } else {
            gear.lineTo(at);
        }
    }
    gear.closeSubpath();
    gear.addEllipse(c, s * 0.11, s * 0.11);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(gear);
}

void DrawPaste(QPainter& p, const QPointF& c, qreal s) {
    // A clipboard with a sheet on it.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xA8, 0x7B, 0x4F));
    p.drawRoundedRect(QRectF(c.x() - s * 0.3, c.y() - s * 0.34, s * 0.6, s * 0.72), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(c.x() - s * 0.21, c.y() - s * 0.2, s * 0.42, s * 0.5));
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(c.x() - s * 0.13, c.y() - s * 0.42, s * 0.26, s * 0.13), 1, 1);
    p.setPen(QPen(kEdge, s * 0.05));
    for (int i = 0; i < 3; ++i) {
        const qreal y = c.y() - s * 0.08 + i * s * 0.12;
        p.drawLine(QPointF(c.x() - s * 0.13, y), QPointF(c.x() + s * 0.13, y));
    }
}

void DrawExtra(QPainter& p, const QPointF& c, qreal s) {
    // A sheet with a folded corner and an arrow going out: send a file.
    QPainterPath sheet;
    const qreal l = c.x() - s * 0.3, t = c.y() - s * 0.38, w = s * 0.46, h = s * 0.72;
    sheet.moveTo(l, t);
    sheet.lineTo(l + w - s * 0.14, t);
    sheet.lineTo(l + w, t + s * 0.14);
    sheet.lineTo(l + w, t + h);
    sheet.lineTo(l, t + h);
    sheet.closeSubpath();
    p.setPen(QPen(kInk, s * 0.05));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.setPen(QPen(kGreen, s * 0.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF from(c.x() - s * 0.05, c.y() + s * 0.12), to(c.x() + s * 0.36, c.y() + s * 0.12);
    p.drawLine(from, to);
    p.drawLine(to, to + QPointF(-s * 0.13, -s * 0.12));
    p.drawLine(to, to + QPointF(-s * 0.13, s * 0.12));
}

void DrawDropArea(QPainter& p, const QSizeF& size) {
    const QRectF r(QPointF(0, 0), size);
    p.fillRect(r, kScreen);
    p.setPen(QPen(kScreen.darker(130), 1.5, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(5, 5, -5, -5), 6, 6);
    // An arrow coming down onto a sheet.
    const QPointF c(r.center().x(), r.top() + 34);
    p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(c + QPointF(0, -20), c + QPointF(0, 6));
    p.drawLine(c + QPointF(0, 6), c + QPointF(-8, -2));
    p.drawLine(c + QPointF(0, 6), c + QPointF(8, -2));
    p.setPen(QPen(kInk, 2));
    p.drawLine(c + QPointF(-16, 12), c + QPointF(16, 12));
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRectF(r.left(), r.top() + 52, r.width(), 30), Qt::AlignHCenter | Qt::AlignTop,
               "Drop text here");
}

QSize ButtonSize(bool pressed, Picture picture) {
    // The pressed faces of Open and Close are smaller than the others.
    if (pressed && (picture == Picture::kOpen || picture == Picture::kClose)) return {16, 16};
    return {23, 22};
}

}  // namespace

QSize PictureSize(Picture picture, bool pressed) {
    switch (picture) {
        case Picture::kDropArea:
            return {132, 92};
        case Picture::kLine:
            return {157, 2};
        default:
            return ButtonSize(pressed, picture);
    }
}

QPixmap DrawPicture(Picture picture, bool pressed, qreal pixelRatio) {
    const QSize size = PictureSize(picture, pressed);
    QPixmap pixmap(size * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (picture) {
        case Picture::kDropArea:
            DrawDropArea(p, size);
            return pixmap;
        case Picture::kLine:
            p.fillRect(QRectF(0, 0, size.width(), 1), kEdge);
            p.fillRect(QRectF(0, 1, size.width(), 1), Qt::white);
            return pixmap;
        default:
            break;
    }
    const QRectF face(QPointF(0, 0), QSizeF(size));
    DrawFace(p, face, pressed);
    const qreal s = qMin(face.width(), face.height());
    const QPointF c = face.center() + (pressed ? QPointF(0.5, 0.5) : QPointF());
    switch (picture) {
        case Picture::kOpen:
            DrawOpen(p, c, s);
            break;
        case Picture::kClose:
            DrawClose(p, c, s);
            break;
        case Picture::kPrefs:
            DrawPrefs(p, c, s);
            break;
        case Picture::kPaste:
            DrawPaste(p, c, s);
            break;
        case Picture::kExtra:
            DrawExtra(p, c, s);
            break;
        default:
            break;
    }
    return pixmap;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        // A MessagePad: a dark case, a green screen, and a Z on it.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x3A, 0x3F, 0x44));
        p.drawRoundedRect(QRectF(s * 0.14, s * 0.04, s * 0.72, s * 0.92), s * 0.1, s * 0.1);
        p.setBrush(kScreen);
        const QRectF screen(s * 0.22, s * 0.12, s * 0.56, s * 0.62);
        p.drawRect(screen);
        p.setPen(QPen(kInk, qMax(1.0, s * 0.08), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        const qreal m = s * 0.1;
        QPolygonF z;
        z << screen.topLeft() + QPointF(m, m) << screen.topRight() + QPointF(-m, m)
          << screen.bottomLeft() + QPointF(m, -m) << screen.bottomRight() + QPointF(-m, -m);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(z);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x9A, 0xA0, 0xA6));
        p.drawEllipse(QPointF(s * 0.5, s * 0.86), s * 0.05, s * 0.05);
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace zd
