// The icon in the desktop's system tray, with the speed menu: a right click
// opens the menu, a double click shows the window.  The menu is the icon's
// context menu, so that every tray can show it: an X11 tray through Qt at the
// pointer, a StatusNotifierItem host (KDE, GNOME's AppIndicator, Wayland
// panels) through the menu Qt exports on D-Bus.  The icon's events arrive as
// the mouse-message numbers the tray has always used.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace zd {

// The tray's mouse events.
inline constexpr int kTrayMouseMove = 0x0200;
inline constexpr int kTrayLeftButtonUp = 0x0202;
inline constexpr int kTrayLeftDoubleClick = 0x0203;
inline constexpr int kTrayRightButtonUp = 0x0205;
inline constexpr int kTrayMiddleButtonUp = 0x0208;

// The speed menu's id, also the icon's.
inline constexpr int kSpeedMenuId = 152;

// Makes `menu` the speed menu: its items carry their command ids as data,
// the first is the default (drawn bold).  A menu that is one already gets its
// items' texts and ids anew, and keeps its actions.
void FillSpeedMenu(QMenu& menu);

class CTrayIcon : public QObject {
    Q_OBJECT

public:
    // `sendCommand` carries a chosen command id to the owner window.
    explicit CTrayIcon(std::function<void(int)> sendCommand);
    ~CTrayIcon() override;

    // Puts the icon in the tray; false when there is no owner or the desktop
    // has no tray.
    bool ShowInTray(QWidget* owner, int callbackMessage, const QString& tip, const QIcon& icon,
                    int iconId);
    // Takes the icon out; false when it was not in.
    bool RemoveFromTray();
    // Handles tray event `event` for icon `iconId`: 0 when not ours, else 1.
    // The tray shows the speed menu itself; a double click runs its first item.
    int OnIconNotify(int iconId, int event);

    bool inTray() const { return m_inTray; }
    // A message by the icon, for a desktop without a notification service;
    // nothing when the icon is not in the tray.
    void ShowMessage(const QString& title, const QString& text);
    // Runs `clicked` when the user clicks a message.
    void setMessageClicked(std::function<void()> clicked) { m_messageClicked = std::move(clicked); }
    // The speed menu while the icon is in the tray, else null.
    QMenu* speedMenu() const { return m_inTray ? m_menu.get() : nullptr; }

    // Test seam: pretend the desktop has (or lacks) a tray.
    static void SetTrayAvailableForTests(bool available);

private:
    std::function<void(int)> m_sendCommand;
    std::function<void()> m_messageClicked;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    bool m_inTray = false;
    int m_iconId = 0;
};

}  // namespace zd
