#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSocketNotifier>
#include <QWindow>
#include <algorithm>
#include <cstdio>

#include "app/export_dialog.h"
#include "app/pictures.h"
#include "app/prefs_dialog.h"
#include "app/type_window.h"
#include "base/prefs_keys.h"
#include "base/quit_signals.h"
#include "conversation/connection_driver.h"
#include "conversation/conversation.h"
#include "conversation/install.h"
#include "extras/about_box.h"
#include "extras/version_check.h"
#include "link/link_manager.h"
#include "link/poll_tick.h"
#include "link/progress.h"
#include "link/relisten.h"
#include "session/core.h"
#include "session/session.h"
#include "transfer/backup_reader.h"
#include "transfer/item_file.h"
#include "transfer/send_text.h"
#include "transfer/unsaved_items.h"
#include "ui/command_ids.h"

namespace zd {
namespace {
// The tray's notifications, as the window has always been told them.
constexpr int kTrayCallbackMessage = 0x040A;
// How often a reading of the Newton is served: often enough that the link's
// frames are acknowledged as they come at 57600 bit/s.
constexpr int kReadingServiceMs = 5;
// A plain top-level window: a title, the system menu, minimise and close.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
}  // namespace

MainWindow::MainWindow(Session& session)
    : QWidget(nullptr, kWindowFlags),
      m_session(session),
      m_desktop(session, this),
      m_units(DialogFont()),
      m_tray([this](int id) { command(id); }),
      m_notifier(this, m_tray, session.svc.prefs, [this] { bringToUser(); }),
      m_heldInput(
          [this](QObject* receiver, QEvent* event) { return actsDuringWait(receiver, event); },
          [this](QObject* receiver, QEvent* event) { deliverHeld(receiver, event); }) {
    m_desktop.tellWith([this](const Happening& happening) { m_notifier.Tell(happening); });
    setWindowTitle("Zandorelle");
    setFont(DialogFont());
    setWindowIcon(ProgramIcon());
    setAcceptDrops(true);
    buildMenu();
    buildControls();
    m_timer.setInterval(kPollPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // A tick that comes while an operation waits for the Newton belongs
        // after it: nothing runs nested.
        if (m_waiting) return;
        if (!m_ended) m_session.svc.dil.CD_Resume();
        RelistenIfEnded(m_session);
        PollTick(m_session);
        if (ReadingUnderWay(m_session)) m_reading.start();
    });
    m_session.dock.readsBetweenTicks = true;
    m_reading.setInterval(kReadingServiceMs);
    connect(&m_reading, &QTimer::timeout, this, [this] {
        if (m_waiting) return;
        if (!ReadingUnderWay(m_session)) return m_reading.stop();
        ServeFullConnection(m_session);
        ShowProgress(m_session);
    });
    setCommandHandler(command::kPreferences, [this] { PrefsDialog(m_session, this).run(); });
    setCommandHandler(command::kAbout, [] { AboutBox().exec(); });
    setCommandHandler(command::kCheckVersion, [this] { checkVersion(); });
    setCommandHandler(command::kInstallPackage, [this] { choosePackages(); });
    setCommandHandler(command::kUnsavedItems,
                      [this] { m_desktop.OpenFolder(UnsavedFolderToShow()); });
    setCommandHandler(command::kReceiveFolder,
                      [this] { m_desktop.OpenFolder(ReceiveFolderOf(m_session.svc.prefs)); });
    setCommandHandler(command::kTypeOnNewton, [this] { openTypeWindow(); });
    setCommandHandler(command::kSaveNotes, [this] {
        const std::string receive = ReceiveFolderOf(m_session.svc.prefs);
        if (const auto folder = m_desktop.ChooseFolder("Save the Newton's notes", receive))
            SaveNewtonData(m_session, {*folder, ExportChoice::NotesAlone()});
    });
    setCommandHandler(command::kSaveData, [this] {
        ExportDialog dialog(this, m_session.svc.prefs);
        const auto choice = dialog.Ask();
        if (!choice) return;
        const auto backup = dialog.fromBackup() ? m_desktop.ChooseBackup() : std::nullopt;
        if (dialog.fromBackup() && !backup) return;
        const std::string receive = ReceiveFolderOf(m_session.svc.prefs);
        const auto folder = m_desktop.ChooseFolder("Save the Newton's data", receive);
        if (!folder) return;
        if (!backup) return SaveNewtonData(m_session, {*folder, *choice});
        if (const auto refused = ExportFromBackup(m_session, {*folder, *choice}, *backup))
            m_desktop.ShowFileError(*refused);
    });
    setCommandHandler(command::kBackUp, [this] {
        const std::string receive = ReceiveFolderOf(m_session.svc.prefs);
        if (const auto folder = m_desktop.ChooseFolder("Back up the Newton", receive))
            BackUpNewton(m_session, *folder);
    });
}

MainWindow::~MainWindow() {
    if (m_session.svc.display == this) m_session.svc.display = nullptr;
}

void MainWindow::buildMenu() {
    m_menu = new QMenuBar(this);
    struct Item {
        const char* text;
        int id;
        const char* shortcut;
    };
    auto addMenu = [this](const char* title, std::initializer_list<Item> items) {
        QMenu* menu = m_menu->addMenu(title);
        for (const Item& item : items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(item.text);
            action->setData(item.id);
            if (item.shortcut) action->setShortcut(QKeySequence(item.shortcut));
            if (item.id == command::kCut || item.id == command::kCopy) action->setEnabled(false);
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { command(id); });
        }
    };
    addMenu("&File", {{"&Open Connection", command::kListen, "Ctrl+O"},
                      {"&Close Connection", command::kDisconnect, "Ctrl+C"},
                      {nullptr, 0, nullptr},
                      {"&Put files", command::kPutFiles, nullptr},
                      {"&Install package\u2026", command::kInstallPackage, nullptr},
                      {"Open the &receive folder", command::kReceiveFolder, nullptr},
                      {"&Unsaved items\u2026", command::kUnsavedItems, nullptr},
                      {"Save the Newton's &notes\u2026", command::kSaveNotes, nullptr},
                      {"Save the Newton's &data\u2026", command::kSaveData, nullptr},
                      {"&Back up the Newton\u2026", command::kBackUp, nullptr},
                      {"&Status View", command::kStatusView, nullptr},
                      {nullptr, 0, nullptr},
                      {"E&xit", command::kAppExit, "Ctrl+X"}});
    addMenu("&Edit", {{"Cut", command::kCut, nullptr},
                      {"Copy", command::kCopy, nullptr},
                      {"&Paste", command::kPaste, "Ctrl+P"},
                      {"&Type on the Newton\u2026", command::kTypeOnNewton, "Ctrl+T"},
                      {nullptr, 0, nullptr},
                      {"P&references", command::kPreferences, "Ctrl+R"}});
    addMenu("&Help", {{"&About Zandorelle...", command::kAbout, nullptr},
                      {"Check for latest &version", command::kCheckVersion, nullptr}});
}

void MainWindow::initialise() {
    Session& s = m_session;
    bool trayMode = ReadPrefInt(s.svc.prefs, prefs::kSysTray) != 0;
    if (trayMode && !m_tray.ShowInTray(this, kTrayCallbackMessage, "Zandorelle Speed Menu",
                                       ProgramIcon(), kSpeedMenuId)) {
        // Hidden behind an icon that cannot be shown, the window could never
        // be reached: it comes up as usual instead.
        std::fprintf(stderr,
                     "zandorelle: the desktop offers no system tray, so tray mode was left off\n");
        trayMode = false;
    }
    if (trayMode) {
        // Tray mode: no task-bar button, and unseen until "Show ZD window".
        setWindowFlag(Qt::Tool, true);
    } else {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        show();
    }
    create();  // a hidden window in tray mode has no native window yet
    windowHandle()->installEventFilter(this);
    s.svc.display = this;
    s.svc.frontEnd = this;
    s.svc.desktop = &m_desktop;
    s.svc.dil.SetWaitHook([this] { duringWait(); });
    // SIGTERM and SIGINT end the run as "Exit" does, in the middle of a wait too.
    if (const int quitSignals = InstallQuitSignals(); quitSignals >= 0) {
        auto* notifier = new QSocketNotifier(quitSignals, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            if (TakeQuitSignals()) endRun(0);
        });
    }
    StartLink(s);
    if (const auto saved = PlacementToRestore(s.svc.prefs)) restorePlacement(*saved);
    m_timer.start();
    ReadCachedSwitches(s);
    CountLaunch(s);
    TidyItemFolders(s);
}

int MainWindow::run() {
    if (!m_ended) {
        QEventLoop loop;
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
    return m_result;
}

void MainWindow::endRun(int result) {
    m_result = result;
    m_ended = true;
    hide();
    // A transfer under way gives up its wait now; the link is closed in order
    // once it has.
    m_session.svc.dil.CD_Cancel();
    if (m_loop) m_loop->quit();
}

void MainWindow::shutDown() {
    SavePlacementAtDestruction(m_session.svc.prefs, outerRect());
    m_session.svc.dil.SetWaitHook(nullptr);
    m_session.svc.dil.CD_Resume();
    StopLink(m_session);
    m_timer.stop();
    m_reading.stop();
}

void MainWindow::setCommandHandler(int id, std::function<void()> handler) {
    m_handlers[id] = std::move(handler);
}

void MainWindow::command(int id) {
    switch (id) {
        case command::kListen:
            return ButtonCommand(m_session, kButtonListen);
        case command::kStatusView:
            return ButtonCommand(m_session, kButtonStatusView);
        case command::kSendFile:
        case command::kPutFiles:  // the menu's "Put files" does what its name says
            return ButtonCommand(m_session, kButtonSendFile);
        case command::kPaste:
            return ButtonCommand(m_session, kButtonPaste);
        case command::kDisconnect:
            return ButtonCommand(m_session, kButtonDisconnect);
        case command::kShowWindow:
            return showFromTray();
        case command::kExit:
            return exitProgram();
        case command::kAppExit:
            close();
            return;
        case command::kOk:
        case command::kCancel:
            endRun(id);
            return;
        default:
            if (const auto handler = m_handlers.find(id); handler != m_handlers.end())
                handler->second();
            return;
    }
}

void MainWindow::checkVersion() {
    CheckVersion(VersionPageUrl(), [this](const QString& message) {
        QMessageBox::warning(this, QtDesktop::Caption(), message);
    });
}

void MainWindow::choosePackages() {
    const QStringList files = QFileDialog::getOpenFileNames(
        this, "Install package", QString(), "Newton packages (*.pkg *.newtonpkg);;All files (*)");
    std::vector<std::string> paths;
    for (const QString& file : files) paths.push_back(QFile::encodeName(file).toStdString());
    if (!paths.empty()) RequestInstall(m_session, paths);
}

void MainWindow::openTypeWindow() {
    if (!ReadyToType(m_session)) return;
    if (!m_typeWindow) m_typeWindow = new TypeWindow(m_session, this);
    m_typeWindow->show();
    m_typeWindow->raise();
    m_typeWindow->activateWindow();
    m_typeWindow->field()->setFocus();
}

void MainWindow::exitProgram() {
    showMinimized();
    endRun(0);
    m_shownFromTray = false;
}

void MainWindow::ToggleStatusView() {
    const WindowRect rect = outerRect();
    const StatusViewChange change = ToggleStatusViewRule(rect, StoredStatus(m_session.svc.prefs));
    m_statusOpen = change.open;
    updateMinimumSize();
    setOuterRect(WindowRect{rect.left, rect.top, rect.right, change.bottom});
    m_session.svc.prefs.SetPrefInt(change.open ? 1 : 0, prefs::kStatus);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (ReadPrefInt(m_session.svc.prefs, prefs::kSysTray) != 0) {
        SavePlacementAtClose(m_session.svc.prefs, outerRect());
        move(-1000, -1000);
        if (m_shownFromTray) {
            // Back to the tray: the window lives on, unseen.
            m_shownFromTray = false;
            hide();
            event->ignore();
            return;
        }
    }
    endRun(0);
    event->accept();
}

}  // namespace zd
