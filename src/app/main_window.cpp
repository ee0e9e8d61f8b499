#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QWindow>
#include <algorithm>
#include <cstdio>

#include "app/command_ids.h"
#include "app/export_dialog.h"
#include "app/picture_button.h"
#include "app/pictures.h"
#include "app/prefs_dialog.h"
#include "app/type_window.h"
#include "base/core.h"
#include "base/counted.h"
#include "base/display_ops.h"
#include "base/prefs_keys.h"
#include "base/quit_signals.h"
#include "base/session.h"
#include "conversation/conversation.h"
#include "dock/connection_driver.h"
#include "dock/install.h"
#include "extras/about_box.h"
#include "extras/version_check.h"
#include "link/link_manager.h"
#include "link/poll_tick.h"
#include "link/progress.h"
#include "link/relisten.h"
#include "transfer/backup_reader.h"
#include "transfer/item_file.h"
#include "transfer/send_text.h"
#include "transfer/unsaved_items.h"

namespace zd {
namespace {

// The window's client area, in dialog units.
constexpr int kClientWidth = 104;
constexpr int kClientHeight = 135;

// The tray's notifications, as the window has always been told them.
constexpr int kTrayCallbackMessage = 0x040A;
// How often a reading of the Newton is served: often enough that the link's
// frames are acknowledged as they come at 57600 bit/s.
constexpr int kReadingServiceMs = 5;

// A plain top-level window: a title, the system menu, minimise and close.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

std::vector<WindowRect> AvailableScreens() {
    std::vector<WindowRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        screens.push_back(WindowRect{area.left(), area.top(), area.left() + area.width(),
                                     area.top() + area.height()});
    }
    return screens;
}

// The copy keys, which copy from the log while it has a selection (the log
// is read-only, so a cut can only copy).
bool IsCopyKey(const QKeyEvent* key) {
    return key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut);
}

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

void MainWindow::buildControls() {
    const DialogUnits& du = m_units;
    m_client = new QWidget(this);

    QLabel* line = new QLabel(m_client);
    line->setPixmap(DrawPicture(Picture::kLine, false, devicePixelRatioF()));
    line->setGeometry(QRect(QPoint(0, 0), PictureSize(Picture::kLine)));

    struct Face {
        int id;
        Picture picture;
        int x, y;
        const char* tip;
    };
    const Face faces[] = {
        {command::kListen, Picture::kOpen, 7, 3, "Starts listening for a newton"},
        {command::kDisconnect, Picture::kClose, 23, 3, "Abort the connection"},
        {command::kPreferences, Picture::kPrefs, 50, 3, "Change settings"},
        {command::kPaste, Picture::kPaste, 66, 3, "Paste clipboard contect to Newton"},
        {command::kSendFile, Picture::kExtra, 80, 3, "Send a textfile to your Newton"},
    };
    for (const Face& face : faces) {
        auto* button = new PictureButton(face.picture, m_client);
        Identify(button, face.id);
        button->move(du.x(face.x), du.y(face.y));
        button->setToolTip(face.tip);
        const int id = face.id;
        connect(button, &QAbstractButton::clicked, this, [this, id] { command(id); });
    }

    m_dropArea = new QLabel(m_client);
    Identify(m_dropArea, command::kDropArea);
    m_dropArea->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_dropArea->setPixmap(DrawPicture(Picture::kDropArea, false, devicePixelRatioF()));
    m_dropArea->setAlignment(Qt::AlignCenter);
    m_dropArea->setToolTip("Drag and drop text items here to transfer");

    auto* statusButton = new QPushButton(m_client);
    m_statusButton = statusButton;
    Identify(statusButton, command::kStatusView);
    statusButton->setToolTip("Switch the status view");
    statusButton->setAutoDefault(false);
    connect(statusButton, &QPushButton::clicked, this, [this] { command(command::kStatusView); });

    m_infoLabel = new QLabel("Info:", m_client);
    m_stateField = new QLabel(m_client);
    Identify(m_stateField, command::kStateField);
    m_transitLabel = new QLabel("In transit:", m_client);
    m_transitField = new QLabel(m_client);
    Identify(m_transitField, command::kTransitField);

    m_log = new QPlainTextEdit(m_client);
    Identify(m_log, command::kMessageLog);
    m_log->setReadOnly(true);
    // Text only ever goes at the end; there is nothing to undo.
    m_log->setUndoRedoEnabled(false);
    m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_log->installEventFilter(this);
    // The keys move through the log too (Ctrl+End to its newest line).
    m_log->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // The log shows its newest line unless the user scrolled up to read: a
    // resize or new lines keep it at the end.
    QScrollBar* bar = m_log->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
        if (!m_followingLog.adjusting) m_followingLog.on = value == bar->maximum();
    });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (!m_followingLog.on) return;
        m_followingLog.adjusting = true;
        bar->setValue(maximum);
        m_followingLog.adjusting = false;
    });

    // Hidden buttons that only carry their ids.
    const std::tuple<int, const char*, QRect> hidden[] = {
        {command::kExit, "Button7", du.rect(50, 83, 50, 14)},
        {command::kCheckVersion, "Button10", du.rect(46, 80, 50, 14)},
        {command::kNothing, "Button7", du.rect(90, 55, 12, 38)},
    };
    for (const auto& [id, text, place] : hidden) {
        auto* button = new QPushButton(text, m_client);
        Identify(button, id);
        button->setGeometry(place);
        button->setAutoDefault(false);
        button->hide();
    }

    resize(naturalSize());
    updateMinimumSize();
    layoutControls();
}

QSize MainWindow::naturalSize() const {
    return QSize(m_units.x(kClientWidth), m_menu->sizeHint().height() + m_units.y(kClientHeight));
}

void MainWindow::updateMinimumSize() {
    const QSize natural = naturalSize();
    setMinimumSize(natural.width(), natural.height() - (m_statusOpen ? 0 : kStatusViewPixels));
}

void MainWindow::layoutControls() {
    const DialogUnits& du = m_units;
    const int menuHeight = m_menu->sizeHint().height();
    m_menu->setGeometry(0, 0, width(), menuHeight);
    m_client->setGeometry(0, menuHeight, width(), height() - menuHeight);

    const QSize natural(du.x(kClientWidth), du.y(kClientHeight));
    const int wider = std::max(0, m_client->width() - natural.width());
    const int naturalHeight = natural.height() - (m_statusOpen ? 0 : kStatusViewPixels);
    const int taller = std::max(0, m_client->height() - naturalHeight);
    // With the status view closed, only the drop area is there to grow.
    const int dropTaller = m_statusOpen ? taller / 2 : taller;
    const int logTaller = taller - dropTaller;

    const QSize picture = PictureSize(Picture::kDropArea);
    const int frame = 2 * m_dropArea->frameWidth();
    m_dropArea->setGeometry(du.x(7), du.y(18), picture.width() + frame + wider,
                            picture.height() + frame + dropTaller);
    const auto below = [&](int left, int top, int w, int h) {
        return du.rect(left, top, w, h).translated(0, dropTaller);
    };
    m_statusButton->setGeometry(below(0, 75, 6, 6));
    m_infoLabel->setGeometry(below(7, 82, 16, 9));
    // Wide enough for the longest state, "Disconnect Pending".
    m_stateField->setGeometry(below(25, 82, 71, 9).adjusted(0, 0, wider, 0));
    m_transitLabel->setGeometry(below(7, 91, 31, 9));
    m_transitField->setGeometry(below(41, 91, 55, 9).adjusted(0, 0, wider, 0));
    m_log->setGeometry(below(7, 102, 89, 24).adjusted(0, 0, wider, logTaller));
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControls();
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

void MainWindow::restorePlacement(const WindowRect& saved) {
    const WindowRect rect = OntoNearestScreen(saved, AvailableScreens());
    // The size of a window manager's frame is known only once the window is
    // on the screen, and the saved rectangle includes it.
    if (windowHandle()->isExposed()) {
        applyPlacement(rect);
    } else {
        m_placement = rect;
    }
}

void MainWindow::applyPlacement(const WindowRect& rect) {
    const int frameHeight = frameGeometry().height() - height();
    m_statusOpen = rect.height() - frameHeight >= naturalSize().height();
    updateMinimumSize();
    setOuterRect(rect);
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

void MainWindow::duringWait() {
    // Painted and answering the desktop; the user's input waits its turn,
    // but for the keys that end the program.
    m_waiting = true;
    m_heldInput.ProcessEvents();
    ShowProgress(m_session);
    m_waiting = false;
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

WindowRect MainWindow::outerRect() const {
    // A minimised window lies off the desktop, as its placement is not kept.
    if (isMinimized()) return WindowRect{-32000, -32000, -31840, -31972};
    const QRect frame = frameGeometry();
    return WindowRect{frame.left(), frame.top(), frame.left() + frame.width(),
                      frame.top() + frame.height()};
}

void MainWindow::setOuterRect(const WindowRect& rect) {
    // The rectangle is the outer one; the frame's share is what it is now.
    const QRect frame = frameGeometry(), inner = geometry();
    resize(rect.width() - (frame.width() - inner.width()),
           rect.height() - (frame.height() - inner.height()));
    move(rect.left, rect.top);
}

void MainWindow::showFromTray() {
    m_shownFromTray = true;
    const WindowRect corner = ShowFromTrayCorner(m_session.svc.prefs);
    move(corner.left, corner.top);
    // The size the window had when it was last hidden too, where it was saved.
    if (const auto saved = SavedPlacement(m_session.svc.prefs)) restorePlacement(*saved);
    show();
    raise();
    activateWindow();
}

void MainWindow::bringToUser() {
    if (isHidden() && ReadPrefInt(m_session.svc.prefs, prefs::kSysTray) != 0) return showFromTray();
    showNormal();
    raise();
    activateWindow();
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

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (!endByKey(event)) QWidget::keyPressEvent(event);
}

bool MainWindow::endByKey(const QKeyEvent* key) {
    // Enter and Escape end the window at once, as a dialog's OK and Cancel do,
    // when the user pressed them here.
    const bool ok = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!ok && key->key() != Qt::Key_Escape) return false;
    if (!m_keyTaps.Press(key->key(), key->timestamp(), key->isAutoRepeat())) return false;
    command(ok ? command::kOk : command::kCancel);
    return true;
}

QAction* MainWindow::shortcutAction(const QKeyEvent* key) const {
    // The log takes a copy key while it has a selection, before the menu.
    if (IsCopyKey(key) && logHasSelection()) return nullptr;
    const QKeySequence pressed(key->keyCombination());
    for (QAction* action : m_menu->findChildren<QAction*>()) {
        if (action->isEnabled() && action->shortcut() == pressed) return action;
    }
    return nullptr;
}

bool MainWindow::ownsInput(QObject* receiver) const {
    if (const auto* widget = qobject_cast<const QWidget*>(receiver))
        return widget->window() == this;
    return receiver == windowHandle();
}

bool MainWindow::actsDuringWait(QObject* receiver, QEvent* event) {
    // Disconnect gives up the wait now and is carried out when it has ended.
    bool disconnect = false;
    if (event->type() == QEvent::KeyPress && ownsInput(receiver)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (endByKey(key)) return true;
        const QAction* action = shortcutAction(key);
        disconnect = action && action->data().toInt() == command::kDisconnect;
    } else if (event->type() == QEvent::MouseButtonRelease && receiver == windowHandle()) {
        const QWidget* target = childAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        disconnect = target && target->objectName() == QString::number(command::kDisconnect);
    }
    if (disconnect) m_session.svc.dil.CD_Cancel();
    return false;
}

void MainWindow::deliverHeld(QObject* receiver, QEvent* event) {
    // A wait given up for a disconnect is over once its operation is.
    if (!m_ended) m_session.svc.dil.CD_Resume();
    // A kept key comes as the key alone: its shortcut is looked up here.
    if (event->type() == QEvent::KeyPress) {
        if (QAction* action = shortcutAction(static_cast<QKeyEvent*>(event))) {
            action->trigger();
            return;
        }
    }
    QCoreApplication::sendEvent(receiver, event);
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    m_keyTaps.Release(event->key(), event->timestamp());
    QWidget::keyReleaseEvent(event);
}

bool MainWindow::logHasSelection() const {
    return m_log->textCursor().hasSelection();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose && m_placement &&
        windowHandle()->isExposed()) {
        const WindowRect placement = *m_placement;
        m_placement.reset();
        applyPlacement(placement);
    }
    if (watched == m_log &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (IsCopyKey(key) && logHasSelection()) {
            // The log takes the key before the menu's shortcut sees it.
            if (event->type() == QEvent::KeyPress) m_log->copy();
            event->accept();
            return true;
        }
        // Without a selection, Ctrl+X is the menu's (Exit), not a cut.
        if (key->matches(QKeySequence::Cut) && event->type() == QEvent::ShortcutOverride) {
            event->ignore();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (data->hasUrls()) {
        std::vector<std::string> packages, files;
        for (const QUrl& url : data->urls()) {
            if (!url.isLocalFile()) continue;
            const QString path = url.toLocalFile();
            const bool package = path.endsWith(".pkg", Qt::CaseInsensitive) ||
                                 path.endsWith(".newtonpkg", Qt::CaseInsensitive);
            (package ? packages : files).push_back(QFile::encodeName(path).toStdString());
        }
        // Packages dropped are installed through the Newton's Connection.
        if (!packages.empty()) {
            RequestInstall(m_session, packages);
            return;
        }
        if (!files.empty()) return OnFilesDropped(m_session, files);
    }
    std::optional<std::string> text;
    if (data->hasText()) text = data->text().toStdString();
    OnTextDropped(m_session, text);
}

void MainWindow::ReplaceLogSelection(std::string_view text) {
    const QString piece =
        text == kLogLineEnd ? QString("\n") : QString::fromUtf8(text.data(), text.size());
    // At the end, whatever the user clicked or selected; the view follows it
    // (see buildControls).
    QTextCursor end(m_log->document());
    end.movePosition(QTextCursor::End);
    end.insertText(piece);
}

void MainWindow::SetStateText(std::string_view text) {
    m_stateField->setText(QString::fromUtf8(text.data(), text.size()));
}

void MainWindow::SetTransitText(std::string_view text) {
    // A count of bytes is shown as one ("39,680 bytes"); counts of entries
    // come with their noun.
    const bool bytes = !text.empty() && std::all_of(text.begin(), text.end(),
                                                    [](char c) { return c >= '0' && c <= '9'; });
    m_transitField->setText(
        bytes ? QString::fromStdString(WithThousands(std::stoull(std::string(text))) + " bytes")
              : QString::fromStdString(std::string(text)));
}

}  // namespace zd
