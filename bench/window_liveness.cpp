// window-liveness NEWTON-SIM: how alive the window stays while it waits for a
// Newton.  The real window (offscreen) sends 100 KiB to newton-sim at 57600
// bit/s; a 5 ms timer stands for the repaints and the desktop's pings, and the
// longest time between two of its turns is the longest the window went
// unanswered.  Then the Newton is stopped in the middle of a second send, and
// the times for a disconnect and for a quit are taken.  Prints its figures;
// asserts nothing.
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/main_window.h"
#include "session/core.h"
#include "sim_child.h"
#include "transfer/send_text.h"
#include "ui/command_ids.h"

using zd::bench::Newton;
using zd::bench::RunUntil;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: window-liveness NEWTON-SIM\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string ini = "/tmp/window-liveness-" + std::to_string(::getpid()) + ".INI";
    std::ofstream(ini) << "[Prefs Section]\nport=0\n";
    zd::Core core(ini);
    zd::Session& session = core.session();
    zd::MainWindow window(session);
    window.initialise();
    // Listens for a new Newton until it is greeted.
    const auto connectNewton = [&](const char* sim) {
        const Newton newton =
            zd::bench::StartNewton(sim, {"--baud", "57600", "--timeout", "120", "--greet",
                                         "--catch", "/dev/null", "--catch", "/dev/null"});
        core.prefs().SetPrefString(newton.pty, "Serial0");
        window.command(zd::command::kListen);
        RunUntil([&] { return session.link.handshakeDone; }, 10000);
        return newton;
    };
    const auto stop = [](const Newton& newton) { zd::bench::Stop(newton); };
    const std::string text(100 * 1024, 'x');

    Newton newton = connectNewton(argv[1]);
    QElapsedTimer sinceTurn;
    qint64 longestGap = 0;
    QTimer turns;
    turns.setTimerType(Qt::PreciseTimer);
    QObject::connect(&turns, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTurn.restart()); });
    QElapsedTimer sendTime;
    QTimer::singleShot(0, [&] {
        sinceTurn.start();
        turns.start(5);
        sendTime.start();
        zd::SendDroppedText(session, text);
        turns.stop();
    });
    RunUntil([&] { return sendTime.isValid() && !turns.isActive(); }, 60000);
    std::printf("100 KiB sent in %.1f s; the window went unanswered for at most %lld ms\n",
                sendTime.elapsed() / 1000.0, static_cast<long long>(longestGap));
    stop(newton);

    // A send, the Newton stopped half a second into it, then a click on
    // Disconnect as the display gives it.
    newton = connectNewton(argv[1]);
    QElapsedTimer ending;
    QTimer::singleShot(0, [&] { zd::SendDroppedText(session, text); });
    QTimer::singleShot(500, [&] {
        ::kill(newton.pid, SIGSTOP);
        ending.start();
        auto* button = window.findChild<QWidget*>(QString::number(zd::command::kDisconnect));
        const QPointF at = button->mapTo(&window, button->rect().center());
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QCoreApplication::postEvent(
                window.windowHandle(),
                new QMouseEvent(type, at, window.mapToGlobal(at), Qt::LeftButton,
                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                Qt::NoModifier));
        }
    });
    RunUntil([&] { return ending.isValid() && session.link.pipe == 0; }, 20000);
    std::printf("disconnect with the Newton silent: %lld ms\n",
                static_cast<long long>(ending.elapsed()));
    stop(newton);

    // The same, and the window ends instead: its run ends, the link closes.
    newton = connectNewton(argv[1]);
    QTimer::singleShot(0, [&] { zd::SendDroppedText(session, text); });
    QTimer::singleShot(500, [&] {
        ::kill(newton.pid, SIGSTOP);
        ending.restart();
        window.endRun(0);
    });
    RunUntil([&] { return window.ended() && !session.link.busy; }, 20000);
    window.shutDown();
    std::printf("quit with the Newton silent: %lld ms\n", static_cast<long long>(ending.elapsed()));
    stop(newton);
    ::unlink(ini.c_str());
    return 0;
}
