#include "extras/about_box.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "ui/dialog_units.h"

namespace zd {
namespace {

const QColor kInk(0x2B, 0x33, 0x3D);
const QColor kScreen(0xC9, 0xD5, 0xB9);

// The product's title, 390 x 48.
QPixmap TitlePicture() {
    QPixmap picture(390, 48);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, 390, 0);
    band.setColorAt(0, kInk);
    band.setColorAt(1, QColor(0x4F, 0x6A, 0x56));
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRoundedRect(QRectF(0, 0, 390, 48), 6, 6);
    QFont font = p.font();
    font.setPixelSize(30);
    font.setBold(true);
    font.setLetterSpacing(QFont::PercentageSpacing, 108);
    p.setFont(font);
    p.setPen(kScreen);
    p.drawText(QRectF(16, 0, 374, 48), Qt::AlignVCenter | Qt::AlignLeft, "Zandorelle");
    font.setPixelSize(12);
    font.setBold(false);
    p.setFont(font);
    p.drawText(QRectF(0, 0, 378, 44), Qt::AlignBottom | Qt::AlignRight, "Newton companion");
    return picture;
}

// About the program, 388 x 68.
QPixmap InformationPicture() {
    QPixmap picture(388, 68);
    picture.fill(kScreen);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(12);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRectF(12, 6, 364, 56), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
               "Exchanges text with the companion package on an Apple Newton, over a "
               "serial line or the network. Drop text on the window to send it.");
    return picture;
}

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Zandorelle");
    setFont(DialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(274), du.y(117));

    auto* date = new QLabel(this);
    Identify(date, 1027);
    date->setGeometry(du.rect(7, 7, 86, 8));
    auto* version = new QLabel(this);
    Identify(version, 1028);
    version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    version->setGeometry(du.rect(140, 7, 127, 8));

    auto* title = new QLabel(this);
    title->setPixmap(TitlePicture());
    title->setScaledContents(true);
    title->setGeometry(du.rect(7, 21, 260, 30));
    auto* information = new QLabel(this);
    Identify(information, 138);
    information->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    information->setPixmap(InformationPicture());
    information->setScaledContents(true);
    information->setGeometry(du.rect(7, 50, 260, 43));

    auto* ok = new QPushButton("OK", this);
    Identify(ok, 1);
    ok->setDefault(true);
    ok->setGeometry(du.rect(235, 96, 32, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    exchangeData();
}

void AboutBox::exchangeData() {
    findChild<QLabel*>("1027")->setText(kBuildDate);
    findChild<QLabel*>("1028")->setText(kVersionText);
}

void AboutBox::accept() {
    exchangeData();  // the saving exchange sets the same texts again
    QDialog::accept();
}

}  // namespace zd
