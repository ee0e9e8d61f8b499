// grab-window WINDOW-ID FILE.png: saves a picture of an X11 window, for the
// screenshot in the README.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: grab-window WINDOW-ID FILE.png\n");
        return 2;
    }
    const WId window = QString(argv[1]).toULongLong(nullptr, 0);
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(window);
    if (picture.isNull() || !picture.save(argv[2])) {
        std::fprintf(stderr, "grab-window: cannot grab window %s\n", argv[1]);
        return 1;
    }
    return 0;
}
