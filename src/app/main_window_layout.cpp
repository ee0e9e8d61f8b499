// The window's controls and where it stands: their layout for its size, the
// placement it is restored to, and its coming back from the tray.
#include "app/main_window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>

#include "app/picture_button.h"
#include "app/pictures.h"
#include "base/prefs_keys.h"
#include "base/prefs_store.h"
#include "session/session.h"
#include "ui/command_ids.h"

namespace zd {
namespace {

// The window's client area, in dialog units.
constexpr int kClientWidth = 104;
constexpr int kClientHeight = 135;
std::vector<WindowRect> AvailableScreens() {
    std::vector<WindowRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        screens.push_back(WindowRect{area.left(), area.top(), area.left() + area.width(),
                                     area.top() + area.height()});
    }
    return screens;
}

}  // namespace

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

}  // namespace zd
