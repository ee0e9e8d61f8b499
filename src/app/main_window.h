// The program's window: five picture buttons, the drop area, the state and
// transit fields and the message log, the main menu, and the 100 ms timer that
// drives the link.  Every button, menu item and tray command arrives here as a
// command id (command_ids.h).
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>

#include "app/held_input.h"
#include "app/key_taps.h"
#include "app/notifier.h"
#include "app/qt_desktop.h"
#include "app/window_rules.h"
#include "base/display.h"
#include "base/front_end.h"
#include "extras/tray_icon.h"
#include "ui/dialog_units.h"

class QAction;
class QEventLoop;
class QKeyEvent;
class QLabel;
class QMenuBar;
class QPlainTextEdit;

namespace zd {

struct Session;
class TypeWindow;

// A normal top-level window with a task-bar button (none in tray mode).  Its
// run is the program's life: hiding, showing and minimising never end it;
// Enter, Escape, "Exit" and a close request outside tray mode do.
class MainWindow : public QWidget, public Display, public FrontEnd {
    Q_OBJECT

public:
    // Builds the window for `session`; nothing is shown and the link is not
    // started until initialise().
    explicit MainWindow(Session& session);
    ~MainWindow() override;

    // The window's start: shown (or hidden in tray mode), bound to the session
    // as its display, desktop and front end, the link started, the placement
    // restored, the timer running, the switches read and the start counted.
    void initialise();
    // Runs the window until its run ends; the result it ended with.
    int run();
    // Ends the window's run with `result` and hides the window.
    void endRun(int result);
    bool ended() const { return m_ended; }
    int result() const { return m_result; }
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
    // The size the window has with nothing enlarged, the status view open.
    QSize naturalSize() const;

    // Display
    void ReplaceLogSelection(std::string_view text) override;
    void SetStateText(std::string_view text) override;
    void SetTransitText(std::string_view text) override;
    // FrontEnd
    void ToggleStatusView() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    // Places the controls for the window's size: the drop area and the log
    // take what it has beyond its natural size.
    void layoutControls();
    // Never smaller than natural, for the status view as it is.
    void updateMinimumSize();
    void setOuterRect(const WindowRect& rect);
    // The saved rectangle, on a screen that exists, once the window is shown.
    void restorePlacement(const WindowRect& saved);
    void applyPlacement(const WindowRect& rect);
    // The DIL's wait hook: the window keeps painting while the link waits.
    void duringWait();
    // Enter or Escape pressed anew ends the run; true if `key` did.
    bool endByKey(const QKeyEvent* key);
    // The menu's action `key` is the shortcut of, if any.
    QAction* shortcutAction(const QKeyEvent* key) const;
    // True for input that reaches this window, not another of ours (the
    // "Type on the Newton" field takes its own Enter and Escape).
    bool ownsInput(QObject* receiver) const;
    // The input that acts in the middle of a wait: true for Enter and Escape,
    // which end the run; a disconnect ends the wait and is kept for after it.
    bool actsDuringWait(QObject* receiver, QEvent* event);
    // A kept event, once the wait is over.
    void deliverHeld(QObject* receiver, QEvent* event);
    // True when `key` copies from the log: a copy key while the log has a
    // selection.
    bool logTakesKey(const QKeyEvent* key) const;
    void showFromTray();
    // The window before the user, from the tray or from behind other windows.
    void bringToUser();
    void exitProgram();
    void checkVersion();
    // The file dialog for packages, then the request to install them.
    void choosePackages();
    // "Type on the Newton": its window, where typing is possible.
    void openTypeWindow();

    Session& m_session;
    QtDesktop m_desktop;
    DialogUnits m_units;
    QMenuBar* m_menu = nullptr;
    QWidget* m_client = nullptr;
    QLabel* m_dropArea = nullptr;
    QWidget* m_statusButton = nullptr;
    QLabel* m_infoLabel = nullptr;
    QLabel* m_stateField = nullptr;
    QLabel* m_transitLabel = nullptr;
    QLabel* m_transitField = nullptr;
    QPlainTextEdit* m_log = nullptr;
    struct {
        bool on = true;          // the log shows its newest line
        bool adjusting = false;  // while the window moves it there
    } m_followingLog;
    QTimer m_timer;
    // While the Newton is read, its link is served this often between the
    // ticks, and the window stays usable.
    QTimer m_reading;
    CTrayIcon m_tray;
    Notifier m_notifier;
    bool m_shownFromTray = false;
    bool m_statusOpen = true;
    KeyTaps m_keyTaps;
    HeldInput m_heldInput;
    bool m_waiting = false;        // inside the DIL's wait hook
    QEventLoop* m_loop = nullptr;  // while run() runs
    bool m_ended = false;
    int m_result = 0;
    // The rectangle to restore when the window is first shown.
    std::optional<WindowRect> m_placement;
    std::map<int, std::function<void()>> m_handlers;
    TypeWindow* m_typeWindow = nullptr;
};

}  // namespace zd
