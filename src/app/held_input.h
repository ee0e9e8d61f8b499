// The user's input while the window waits for the Newton.  The window goes on
// painting and answering the desktop (a close request among it), but nothing
// the user does runs in the middle of an operation: each key, click and wheel
// turn is kept, in its order, and delivered once the wait is over.  A drag is
// refused meanwhile, as its source will not wait.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

class QEvent;

namespace zd {

class HeldInput final : public QObject {
public:
    // `urgent` sees each input event first and returns true for one it has
    // acted on at once (the user ending the program); `deliver` hands a kept
    // event to its receiver after the wait.
    HeldInput(std::function<bool(QObject* receiver, QEvent* event)> urgent,
              std::function<void(QObject* receiver, QEvent* event)> deliver);

    // Carries out every event that is due, holding the user's input.
    void ProcessEvents();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Kept {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    void Deliver();

    std::function<bool(QObject*, QEvent*)> m_urgent;
    std::function<void(QObject*, QEvent*)> m_deliver;
    std::deque<Kept> m_kept;
    QTimer m_delivery;
    bool m_holding = false;
};

}  // namespace zd
