#include "extras/tray_icon.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <optional>

#include "ui/command_ids.h"

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

void FillSpeedMenu(QMenu& menu) {
    constexpr std::pair<const char*, int> kItems[] = {
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
    // A menu that a D-Bus host is showing keeps its actions, whose ids the
    // host holds; only a menu of another shape is made anew.
    if (menu.actions().size() != static_cast<qsizetype>(std::size(kItems))) {
        menu.clear();
        for (size_t i = 0; i < std::size(kItems); ++i) menu.addAction(QString());
    }
    const QList<QAction*> actions = menu.actions();
    for (size_t i = 0; i < std::size(kItems); ++i) {
        QAction* action = actions[static_cast<qsizetype>(i)];
        const auto& [text, id] = kItems[i];
        action->setSeparator(text == nullptr);
        action->setText(text ? text : "");
        action->setData(text ? QVariant(id) : QVariant());
    }
    menu.setDefaultAction(actions.first());
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
    m_menu = std::make_unique<QMenu>("POPUP");
    FillSpeedMenu(*m_menu);
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] { FillSpeedMenu(*m_menu); });
    connect(m_menu.get(), &QMenu::triggered, this,
            [this](const QAction* chosen) { m_sendCommand(chosen->data().toInt()); });
    m_icon = std::make_unique<QSystemTrayIcon>(icon);
    m_icon->setToolTip(tip.left(kTipChars));
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::messageClicked, this, [this] {
        if (m_messageClicked) m_messageClicked();
    });
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                OnIconNotify(m_iconId, EventOf(reason));
            });
    m_icon->show();
    m_inTray = true;
    return true;
}

void CTrayIcon::ShowMessage(const QString& title, const QString& text) {
    if (m_inTray) m_icon->showMessage(title, text, m_icon->icon());
}

bool CTrayIcon::RemoveFromTray() {
    if (!m_inTray) return false;
    m_icon.reset();
    m_menu.reset();
    m_inTray = false;
    return true;
}

int CTrayIcon::OnIconNotify(int iconId, int event) {
    if (iconId != m_iconId || m_iconId == 0) return 0;
    if (event == kTrayLeftDoubleClick && m_menu) {
        FillSpeedMenu(*m_menu);
        m_sendCommand(m_menu->defaultAction()->data().toInt());
    }
    return 1;
}

}  // namespace zd
