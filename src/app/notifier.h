// Notifications of what happens while the user works elsewhere: through the
// desktop's notification service (org.freedesktop.Notifications on the
// session bus), or as the tray icon's message where no service runs.  Never
// while the window is the active one; one at most each second, a second after
// the first thing it tells, so that what comes meanwhile is counted into one.
// A click opens the file it is about, or the window.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <vector>

#include "base/desktop.h"

class QWidget;

namespace zd {

class CTrayIcon;
class PrefsStore;

class Notifier : public QObject {
    Q_OBJECT

public:
    // `window` is the one whose being active keeps notifications back;
    // `showWindow` brings it to the user.
    Notifier(QWidget* window, CTrayIcon& tray, PrefsStore& prefs, std::function<void()> showWindow);

    void Tell(const Happening& happening);

private slots:
    void OnAction(uint id, const QString& action);

private:
    // Shows what waits, as one notification.
    void Show();
    void Open(const std::string& file);

    QWidget* m_window;
    CTrayIcon& m_tray;
    PrefsStore& m_prefs;
    std::function<void()> m_showWindow;
    std::vector<Happening> m_waiting;
    QTimer m_show;
    std::map<uint, std::string> m_files;  // what each notification's click opens
    std::string m_trayFile;               // the same for the tray's message
};

}  // namespace zd
