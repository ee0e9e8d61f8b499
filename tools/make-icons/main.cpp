// make-icons FOLDER: writes the program icon as FOLDER/NxN/apps/zandorelle.png
// at the sizes of the desktop's icon theme, from the same drawing the window
// uses, so that the menu and the window show one icon.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

#include "app/pictures.h"

int main(int argc, char** argv) {
    // Drawing needs no screen; a build machine may have none.
    if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-icons FOLDER\n");
        return 2;
    }
    const QIcon icon = zd::ProgramIcon();
    for (const QSize& size : icon.availableSizes()) {
        const QString folder =
            QString("%1/%2x%3/apps").arg(argv[1]).arg(size.width()).arg(size.height());
        if (!QDir().mkpath(folder) || !icon.pixmap(size).save(folder + "/zandorelle.png")) {
            std::fprintf(stderr, "make-icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
