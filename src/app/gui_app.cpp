#include "app/gui_app.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "app/main_window.h"
#include "app/pictures.h"
#include "session/core.h"

namespace zd {
namespace {

// Qt gives up on a display it cannot reach with a fatal message and an abort,
// and tells the user to reinstall.  Until the application stands, its
// messages are kept back and a fatal one ends the program with a line of ours.
std::string g_startMessages;

void OnStartMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        g_startMessages += message.toStdString() + "\n";
        return;
    }
    const char* display = std::getenv("DISPLAY");
    std::fprintf(
        stderr,
        "zandorelle: cannot reach the display%s%s; use --headless to run without a window\n",
        display ? " " : "", display ? display : "");
    std::_Exit(2);
}

}  // namespace

bool PreferXWayland() {
    const auto set = [](const char* variable) {
        const char* value = std::getenv(variable);
        return value != nullptr && value[0] != '\0';
    };
    const char* session = std::getenv("XDG_SESSION_TYPE");
    const bool wayland =
        set("WAYLAND_DISPLAY") || (session && std::string_view(session) == "wayland");
    return wayland && set("DISPLAY") && !set("QT_QPA_PLATFORM");
}

bool DisplayAvailable() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(variable);
        if (value && value[0]) return true;
    }
    return false;
}

int RunGui(int argc, char** argv, const RunOptions& options) {
    // Asked on the command line, not through QT_QPA_PLATFORM, so that the
    // programs we start (the browser, the file manager) choose for themselves.
    std::vector<char*> arguments(argv, argv + argc);
    char platformOption[] = "-platform", xcb[] = "xcb";
    if (PreferXWayland()) arguments.insert(arguments.begin() + 1, {platformOption, xcb});
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    qInstallMessageHandler(OnStartMessage);
    QApplication app(count, arguments.data());
    qInstallMessageHandler(nullptr);
    std::fputs(g_startMessages.c_str(), stderr);
    app.setWindowIcon(ProgramIcon());
    // The menu entry's name: Wayland matches the window to it by this.
    QGuiApplication::setDesktopFileName("zandorelle");

    Core core(options);
    MainWindow window(core.session());
    window.initialise();
    ConfigureRelisten(core.session(), options.relisten);
    window.run();
    window.shutDown();
    return 0;
}

}  // namespace zd
