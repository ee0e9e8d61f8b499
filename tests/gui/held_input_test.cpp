// Input that comes during a wait is kept and delivered after it, in its
// order; an urgent key acts at once; a drag is refused; everything else (a
// timer, a repaint) runs during the wait.
#include "app/held_input.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>
#include <QWindow>
#include <vector>

namespace zd {
namespace {

class RecordingWindow final : public QWindow {
public:
    std::vector<int> keys;
    int drags = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::KeyPress) keys.push_back(static_cast<QKeyEvent*>(e)->key());
        if (e->type() == QEvent::DragEnter) ++drags;
        return QWindow::event(e);
    }
};

void PostKey(QWindow& window, int key) {
    QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
}

void RunEventsFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(HeldInput, KeysComeAfterTheWaitInTheirOrderButTheUrgentOneActsAtOnce) {
    RecordingWindow window;
    std::vector<int> urgent;
    HeldInput held(
        [&](QObject*, QEvent* e) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (e->type() != QEvent::KeyPress || key != Qt::Key_Escape) return false;
            urgent.push_back(key);
            return true;
        },
        [](QObject* receiver, QEvent* e) { QCoreApplication::sendEvent(receiver, e); });
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    for (const int key : {Qt::Key_A, Qt::Key_Escape, Qt::Key_B}) PostKey(window, key);

    for (int slice = 0; slice < 5; ++slice) held.ProcessEvents();  // the wait
    EXPECT_TRUE(window.keys.empty()) << "nothing the user did ran during the wait";
    EXPECT_EQ(urgent, std::vector<int>{Qt::Key_Escape});
    RunEventsFor(50);
    EXPECT_TRUE(timerRan);
    PostKey(window, Qt::Key_C);
    RunEventsFor(50);
    EXPECT_EQ(window.keys, (std::vector<int>{Qt::Key_A, Qt::Key_B, Qt::Key_C}));
}

TEST(HeldInput, ADragIsRefusedNotKept) {
    RecordingWindow window;
    HeldInput held([](QObject*, QEvent*) { return false; },
                   [](QObject* receiver, QEvent* e) { QCoreApplication::sendEvent(receiver, e); });
    QMimeData text;
    text.setText("Grüße aus Köln");
    QCoreApplication::postEvent(&window, new QDragEnterEvent(QPoint(5, 5), Qt::CopyAction, &text,
                                                             Qt::NoButton, Qt::NoModifier));
    held.ProcessEvents();
    RunEventsFor(50);
    EXPECT_EQ(window.drags, 0) << "its source would not wait for the end";
}

}  // namespace
}  // namespace zd
