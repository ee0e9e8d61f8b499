#include "app/notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QWidget>
#include <algorithm>

#include "app/qt_desktop.h"
#include "base/ini_text.h"
#include "base/prefs_keys.h"
#include "base/prefs_store.h"
#include "extras/tray_icon.h"

namespace zd {
namespace {

const QString kService = "org.freedesktop.Notifications";
const QString kPath = "/org/freedesktop/Notifications";
constexpr int kGatherMs = 1000;
// The titles a counted notification lists.
constexpr size_t kListed = 3;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

Notifier::Notifier(QWidget* window, CTrayIcon& tray, PrefsStore& prefs,
                   std::function<void()> showWindow)
    : m_window(window), m_tray(tray), m_prefs(prefs), m_showWindow(std::move(showWindow)) {
    m_show.setSingleShot(true);
    connect(&m_show, &QTimer::timeout, this, [this] { Show(); });
    QDBusConnection::sessionBus().connect(kService, kPath, kService, "ActionInvoked", this,
                                          SLOT(OnAction(uint, QString)));
    m_tray.setMessageClicked([this] {
        const std::string file = m_trayFile;
        Open(file);
    });
}

void Notifier::Tell(const Happening& happening) {
    if (!ReadSwitch(m_prefs, prefs::kNotify, true)) return;
    if (m_window->isActiveWindow()) return;
    m_waiting.push_back(happening);
    // A second after the first, and so never sooner than a second after the last.
    if (!m_show.isActive()) m_show.start(kGatherMs);
}

void Notifier::Show() {
    if (m_waiting.empty()) return;
    std::vector<Happening> shown;
    shown.swap(m_waiting);
    // The user came back meanwhile: the window says it all.
    if (m_window->isActiveWindow()) return;
    QString title = Q(shown.front().title), detail = Q(shown.front().detail);
    std::string file = shown.front().file;
    if (shown.size() > 1) {
        const auto items = std::count_if(shown.begin(), shown.end(),
                                         [](const Happening& h) { return !h.aboutEarlier; });
        title = items == 1 ? QString("From the Newton")
                           : QString("%1 items from the Newton").arg(items);
        QStringList titles;
        for (size_t i = 0; i < shown.size() && i < kListed; ++i) titles << Q(shown[i].title);
        detail = titles.join("; ") + (shown.size() > kListed ? "; \u2026" : "");
        file.clear();
    }
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (!bus || !bus->isServiceRegistered(kService)) {
        // No service: the tray says it, where there is one.
        m_trayFile = file;
        m_tray.ShowMessage(title, detail);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "Notify");
    call << QString("Zandorelle") << 0u << QString("zandorelle") << title << detail
         << QStringList{"default", "Open"} << QVariantMap{{"desktop-entry", QString("zandorelle")}}
         << -1;
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, file](QDBusPendingCallWatcher* done) {
                const QDBusPendingReply<uint> reply = *done;
                if (reply.isValid()) m_files[reply.value()] = file;
                done->deleteLater();
            });
}

void Notifier::OnAction(uint id, const QString& action) {
    const auto ours = m_files.find(id);
    if (ours == m_files.end() || action != "default") return;
    const std::string file = ours->second;
    m_files.erase(ours);
    Open(file);
}

void Notifier::Open(const std::string& file) {
    if (file.empty()) {
        m_showWindow();
        return;
    }
    QtDesktop::OpenLocalPath(file);
}

}  // namespace zd
