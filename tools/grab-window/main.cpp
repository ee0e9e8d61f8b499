// grab-window WINDOW-ID FILE.png [X Y WIDTH HEIGHT]: saves a picture of an X11
// window (0: the whole screen), or of a part of it, for the README's pictures.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3 && argc != 7) {
        std::fprintf(stderr, "usage: grab-window WINDOW-ID FILE.png [X Y WIDTH HEIGHT]\n");
        return 2;
    }
    const WId window = QString(argv[1]).toULongLong(nullptr, 0);
    int part[4] = {0, 0, -1, -1};
    for (int i = 0; argc == 7 && i < 4; ++i) part[i] = QString(argv[3 + i]).toInt();
    const QPixmap picture =
        QGuiApplication::primaryScreen()->grabWindow(window, part[0], part[1], part[2], part[3]);
    if (picture.isNull() || !picture.save(argv[2])) {
        std::fprintf(stderr, "grab-window: cannot grab window %s\n", argv[1]);
        return 1;
    }
    return 0;
}
