// The program's window: five picture buttons, the drop area, the state and
// transit fields and the message log, the main menu, and the 100 ms timer that
// drives the link.  Every button, menu item and tray command arrives here as a
// command id (command_ids.h).
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <map>

#include "app/dialog_units.h"
#include "app/qt_desktop.h"
#include "app/window_rules.h"
#include "base/display.h"
#include "base/front_end.h"
#include "extras/tray_icon.h"

class QLabel;
class QMenuBar;
class QPlainTextEdit;

namespace zd {

struct Session;

class MainWindow : public QDialog, public Display, public FrontEnd {
    Q_OBJECT

public:
    // Builds the window for `session`; nothing is shown and the link is not
    // started until initialise().
    explicit MainWindow(Session& session, QWidget* owner = nullptr);
    ~MainWindow() override;

    // The window's start: shown (or hidden in tray mode), bound to the session
    // as its display, desktop and front end, the link started, the placement
    // restored, the timer running, the switches read and the start counted.
    void initialise();
    // The window's end: the placement saved, the link stopped, the timer killed.
    void shutDown();

    // Carries out command `id`, as a button, menu or tray would.
    void command(int id);

    // Replaces what command `id` does (the preferences, About and the version
    // check open dialogs of their own; tests put stand-ins there).
    void setCommandHandler(int id, std::function<void()> handler);

    QtDesktop& desktop() { return m_desktop; }
    CTrayIcon& tray() { return m_tray; }
    bool shownFromTray() const { return m_shownFromTray; }

    // The outer rectangle in screen pixels; off the desktop while minimised.
    WindowRect outerRect() const;

    // Display
    void ReplaceLogSelection(std::string_view text) override;
    void SetStateText(std::string_view text) override;
    void SetTransitText(std::string_view text) override;
    // FrontEnd
    void ToggleStatusView() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void setOuterRect(const WindowRect& rect);
    void showFromTray();
    void exitProgram();
    void checkVersion();

    Session& m_session;
    QtDesktop m_desktop;
    DialogUnits m_units;
    QMenuBar* m_menu = nullptr;
    QWidget* m_client = nullptr;
    QLabel* m_stateField = nullptr;
    QLabel* m_transitField = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QTimer m_timer;
    CTrayIcon m_tray;
    bool m_shownFromTray = false;
    std::map<int, std::function<void()>> m_handlers;
};

}  // namespace zd
