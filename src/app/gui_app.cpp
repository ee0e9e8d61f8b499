#include "app/gui_app.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <cstdlib>

#include "app/main_window.h"
#include "app/pictures.h"
#include "base/core.h"

namespace zd {

bool DisplayAvailable() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(variable);
        if (value && value[0]) return true;
    }
    return false;
}

int RunGui(int& argc, char** argv, const RunOptions& options) {
    QApplication app(argc, argv);
    app.setWindowIcon(ProgramIcon());
    // The menu entry's name: Wayland matches the window to it by this.
    QGuiApplication::setDesktopFileName("zandorelle");

    // One copy per user: a second start leaves the first alone and ends.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QLockFile instance(QDir(runtime.isEmpty() ? QDir::tempPath() : runtime)
                           .filePath(QFileInfo(app.applicationFilePath()).baseName() + ".lock"));
    if (!instance.tryLock(0)) return 0;

    // An invisible owner for the window, which then has no parent of its own
    // on the task bar.
    QWidget owner;
    Core core(options);
    MainWindow window(core.session(), &owner);
    window.initialise();
    ConfigureRelisten(core.session(), options.relisten);
    window.exec();
    window.shutDown();
    return 0;
}

}  // namespace zd
