#include "extras/tray_icon.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <optional>

#include "app/command_ids.h"

namespace zd {
namespace {

std::optional<bool> g_trayAvailableForTests;

bool TrayAvailable() {
    return g_trayAvailableForTests.value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

// The longest tip the tray keeps.
constexpr int kTipChars = 63;

int EventOf(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Context:
            return kTrayRightButtonUp;
        case QSystemTrayIcon::DoubleClick:
            return kTrayLeftDoubleClick;
        case QSystemTrayIcon::Trigger:
            return kTrayLeftButtonUp;
        case QSystemTrayIcon::MiddleClick:
            return kTrayMiddleButtonUp;
        default:
            return kTrayMouseMove;
    }
}

}  // namespace

std::unique_ptr<QMenu> BuildSpeedMenu() {
    auto menu = std::make_unique<QMenu>("POPUP");
    const std::pair<const char*, int> items[] = {
        {"Show ZD window", command::kShowWindow},
        {"Listen for Newton", command::kListen},
        {"Disconnect", command::kDisconnect},
        {nullptr, 0},
        {"Put files", command::kSendFile},
        {nullptr, 0},
        {"Paste", command::kPaste},
        {"Preferences", command::kPreferences},
        {"About Zandorelle...", command::kAbout},
        {nullptr, 0},
        {"Exit", command::kExit},
    };
    for (const auto& [text, id] : items) {
        if (!text) {
            menu->addSeparator();
            continue;
        }
        menu->addAction(text)->setData(id);
    }
    menu->setDefaultAction(menu->actions().first());
    return menu;
}

void CTrayIcon::SetTrayAvailableForTests(bool available) {
    g_trayAvailableForTests = available;
}

CTrayIcon::CTrayIcon(std::function<void(int)> sendCommand)
    : m_sendCommand(std::move(sendCommand)) {}

CTrayIcon::~CTrayIcon() {
    RemoveFromTray();
}

bool CTrayIcon::ShowInTray(QWidget* owner, int /*callbackMessage*/, const QString& tip,
                           const QIcon& icon, int iconId) {
    m_inTray = false;
    if (owner == nullptr || !TrayAvailable()) return false;
    m_iconId = iconId;
    m_icon = std::make_unique<QSystemTrayIcon>(icon);
    m_icon->setToolTip(tip.left(kTipChars));
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                OnIconNotify(m_iconId, EventOf(reason));
            });
    m_icon->show();
    m_inTray = true;
    return true;
}

bool CTrayIcon::RemoveFromTray() {
    if (!m_inTray) return false;
    m_icon.reset();
    m_inTray = false;
    return true;
}

int CTrayIcon::OnIconNotify(int iconId, int event) {
    if (iconId != m_iconId || m_iconId == 0) return 0;
    if (event == kTrayRightButtonUp) {
        // The menu is made anew for each click and chosen from at the pointer.
        const std::unique_ptr<QMenu> menu = BuildSpeedMenu();
        if (const QAction* chosen = menu->exec(QCursor::pos()))
            m_sendCommand(chosen->data().toInt());
        return 1;
    }
    if (event == kTrayLeftDoubleClick) {
        m_sendCommand(BuildSpeedMenu()->actions().first()->data().toInt());
        return 1;
    }
    return 1;
}

}  // namespace zd
