// key-latency NEWTON-SIM: how soon a key typed in "Type on the Newton" is on
// the wire.  The real window (offscreen) connects to newton-sim playing the
// Newton's Connection application over a pseudo-terminal, opens the field,
// and is handed 200 keys at a typist's pace (letters, a Backspace and a
// Return now and then); each is timed from its key event to the moment its
// "kbds" or "kbdc" bytes have been written to the line, which happens within
// the key's handling.  Prints the median and the worst; asserts nothing.
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/type_window.h"
#include "conversation/conversation.h"
#include "session/core.h"
#include "sim_child.h"
#include "ui/command_ids.h"

namespace {

void RunFor(int ms) {
    zd::bench::RunUntil([] { return false; }, ms);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: key-latency NEWTON-SIM\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string base = "/tmp/key-latency-" + std::to_string(::getpid());
    const zd::bench::Newton newton =
        zd::bench::StartNewton(argv[1], {"--timeout", "120", "--connection", base + ".typed"});
    std::ofstream(base + ".INI") << "[Prefs Section]\nport=0\nSerial0=" << newton.pty << "\n";
    zd::Core core(base + ".INI");
    zd::Session& session = core.session();
    zd::MainWindow window(session);
    window.initialise();
    window.command(zd::command::kListen);
    for (int i = 0; i < 100 && !zd::TypingPossible(session); ++i) RunFor(100);
    window.command(zd::command::kTypeOnNewton);
    auto* field = window.findChild<zd::TypeField*>();
    if (!field) {
        std::fprintf(stderr, "key-latency: the Newton's Connection did not connect\n");
        return 1;
    }
    field->setFocus();
    RunFor(500);  // the keyboard opens

    std::vector<double> ms;
    for (int key = 0; key < 200; ++key) {
        const bool backspace = key % 17 == 16, ret = key % 41 == 40;
        const int code = backspace ? Qt::Key_Backspace : ret ? Qt::Key_Return : Qt::Key_A;
        const QString text = backspace ? "\b" : ret ? "\r" : QString(QChar('a' + key % 26));
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
        const auto start = std::chrono::steady_clock::now();
        QCoreApplication::sendEvent(field, &press);
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        RunFor(30);  // a fast typist's pace, with the tick running in between
    }
    std::sort(ms.begin(), ms.end());
    std::printf("key to wire over %zu keys: median %.3f ms, worst %.3f ms\n", ms.size(),
                ms[ms.size() / 2], ms.back());
    window.shutDown();
    zd::bench::Stop(newton, SIGTERM);
    for (const char* end : {".INI", ".typed"}) ::unlink((base + end).c_str());
    return 0;
}
