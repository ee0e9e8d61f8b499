// The main window on the offscreen platform, over a link to an in-memory
// Newton: its controls, its commands, the log, the status view, the close
// behaviour and drops.
#include "app/main_window.h"
#include "conversation/install.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QThread>
#include <QUrl>
#include <filesystem>

#include "conversation/conversation.h"
#include "link/display_ops.h"
#include "link/poll_tick.h"
#include "support/link_fixture.h"
#include "ui/command_ids.h"

namespace zd {
namespace {

class MainWindowTest : public test::LinkFixture {
protected:
    void SetUp() override {
        window = std::make_unique<MainWindow>(session);
        window->desktop().recordMessageBoxes();
        window->initialise();
    }
    void TearDown() override {
        window->shutDown();
        window.reset();
    }

    template <typename T = QWidget>
    T* Control(int id) {
        return window->findChild<T*>(QString::number(id));
    }
    QString Log() { return Control<QPlainTextEdit>(command::kMessageLog)->toPlainText(); }
    int Height() { return window->outerRect().height(); }

    // Drags `data` onto the window and drops it, as a drag from another program.
    void Drop(QMimeData* data) {
        QDragEnterEvent enter(QPoint(20, 40), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                              Qt::ShiftModifier);
        QApplication::sendEvent(window.get(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        EXPECT_EQ(enter.dropAction(), Qt::CopyAction) << "copy, whatever keys are held";
        QDropEvent drop(QPointF(20, 40), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        EXPECT_TRUE(drop.isAccepted());
        EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    }

    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, ControlsCarryTheirIdsAndTips) {
    EXPECT_EQ(window->windowTitle(), "Zandorelle");
    const std::pair<int, const char*> tips[] = {
        {command::kListen, "Starts listening for a newton"},
        {command::kDisconnect, "Abort the connection"},
        {command::kPreferences, "Change settings"},
        {command::kPaste, "Paste clipboard contect to Newton"},
        {command::kSendFile, "Send a textfile to your Newton"},
        {command::kStatusView, "Switch the status view"},
        {command::kDropArea, "Drag and drop text items here to transfer"},
    };
    for (const auto& [id, tip] : tips) {
        ASSERT_NE(Control(id), nullptr) << id;
        EXPECT_EQ(Control(id)->toolTip(), tip);
    }
    EXPECT_EQ(Control(command::kListen)->size(), QSize(23, 22));
    for (int id : {command::kExit, command::kCheckVersion, command::kNothing}) {
        ASSERT_NE(Control<QAbstractButton>(id), nullptr);
        EXPECT_TRUE(Control(id)->isHidden());
    }
    EXPECT_EQ(Control<QAbstractButton>(command::kCheckVersion)->text(), "Button10");
    EXPECT_TRUE(Control<QPlainTextEdit>(command::kMessageLog)->isReadOnly());
}

TEST_F(MainWindowTest, TheMenuHasItsItemsAndWorkingShortcuts) {
    QStringList items;
    for (QAction* menu : window->findChild<QMenuBar*>()->actions()) {
        items << menu->text();
        for (QAction* item : menu->menu()->actions()) {
            if (item->isSeparator()) continue;
            items << QString("%1 %2 %3%4")
                         .arg(item->text())
                         .arg(item->data().toInt())
                         .arg(item->shortcut().toString())
                         .arg(item->isEnabled() ? "" : " greyed");
        }
    }
    EXPECT_EQ(items, QStringList({"&File",
                                  "&Open Connection 1005 Ctrl+O",
                                  "&Close Connection 1010 Ctrl+C",
                                  "&Put files 57601 ",
                                  "&Install package… 1034 ",
                                  "Open the &receive folder 1038 ",
                                  "&Unsaved items… 1035 ",
                                  "Save the Newton's &notes… 1037 ",
                                  "Save the Newton's &data… 1039 ",
                                  "&Back up the Newton… 1040 ",
                                  "&Status View 1006 ",
                                  "E&xit 57665 Ctrl+X",
                                  "&Edit",
                                  "Cut 57635  greyed",
                                  "Copy 57634  greyed",
                                  "&Paste 1009 Ctrl+P",
                                  "&Type on the Newton… 1036 Ctrl+T",
                                  "P&references 1007 Ctrl+R",
                                  "&Help",
                                  "&About Zandorelle... 1012 ",
                                  "Check for latest &version 1032 "}));
}

TEST_F(MainWindowTest, UnsavedItemsAreCountedAtTheStartAndTheirFolderOpens) {
    window->shutDown();
    window.reset();
    ::setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
    const std::string unsaved = dir.File("state/zandorelle/unsaved");
    std::filesystem::create_directories(unsaved);
    test::WriteFile(unsaved + "/Inköp.txt", "mjölk");
    SetUp();
    EXPECT_EQ(Log(), QString::fromStdString("1 unsaved item is kept in " + unsaved + ".\n"));
    window->command(command::kUnsavedItems);
    EXPECT_EQ(window->desktop().recordedFolders(), QStringList{QString::fromStdString(unsaved)});
}

TEST_F(MainWindowTest, ButtonsAndMenusReachTheLink) {
    Control<QAbstractButton>(command::kListen)->click();
    EXPECT_NE(session.link.pipe, 0);
    EXPECT_EQ(session.poll.pendingAction, kGreet);
    window->command(command::kDisconnect);
    EXPECT_EQ(session.link.pipe, 0);
    window->command(command::kPaste);
    EXPECT_EQ(Log(),
              "Listening... press 'Connect' on the Zandorelle slip.\n"
              "Listening on serial port 0.\n"
              "Disconnecting and disposing the pipe...\n"
              "The pipe has been disconnected and disposed.\n"
              "Special Paste.\n"
              "Must perform Copy operation first!\n");
    EXPECT_EQ(Control<QLabel>(command::kStateField)->text(), "Idle");
}

TEST_F(MainWindowTest, DialogCommandsReachTheirHandlersAndTheSpareIdDoesNothing) {
    std::vector<int> opened;
    for (int id : {command::kPreferences, command::kAbout, command::kCheckVersion})
        window->setCommandHandler(id, [&opened, id] { opened.push_back(id); });
    for (int id : {command::kAbout, command::kPreferences, command::kCheckVersion,
                   command::kNothing, command::kCut}) {
        window->command(id);
    }
    EXPECT_EQ(opened,
              (std::vector<int>{command::kAbout, command::kPreferences, command::kCheckVersion}));
    EXPECT_EQ(Log(), "");
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, TheLogTakesTextAtItsEndWhateverTheUserClickedOrSelected) {
    LogLine(session, "first");
    const std::string long_text(200, 'x');
    LogText(session, long_text.c_str(), -1);
    LogLine(session, "");
    EXPECT_EQ(Log(), QString("first\n") + QString(200, 'x') + "\n");
    auto* log = Control<QPlainTextEdit>(command::kMessageLog);
    QTextCursor start = log->textCursor();
    start.setPosition(2);
    log->setTextCursor(start);  // the user clicked inside the first line
    LogLine(session, "Möte");
    EXPECT_TRUE(Log().startsWith("first\n")) << Log().toStdString();
    EXPECT_TRUE(Log().endsWith(QString::fromUtf8("\nMöte\n"))) << Log().toStdString();
    log->selectAll();  // Ctrl+A
    LogLine(session, "Connected.");
    EXPECT_TRUE(Log().startsWith("first\n"));
    EXPECT_TRUE(Log().endsWith(QString::fromUtf8("Möte\nConnected.\n")));
    EXPECT_TRUE(log->textCursor().hasSelection()) << "the user's selection stays";
    EXPECT_FALSE(log->document()->isUndoAvailable());
}

TEST_F(MainWindowTest, TheLogFollowsItsEndUnlessTheUserScrolledUp) {
    auto* log = Control<QPlainTextEdit>(command::kMessageLog);
    QScrollBar* bar = log->verticalScrollBar();
    for (int i = 0; i < 50; ++i) LogLine(session, "line " + std::to_string(i));
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->setValue(0);
    LogLine(session, "one more");
    EXPECT_EQ(bar->value(), 0) << "the user reads the top";
    // Ctrl+End in the log: the newest line, and the log follows again.
    log->setFocus();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(log, &end);
    EXPECT_EQ(bar->value(), bar->maximum());
    // Made smaller and larger again, the window keeps showing the newest line.
    window->show();
    for (const int height :
         {window->height() + 200, window->minimumHeight(), window->height() + 300}) {
        window->resize(window->width(), height);
        QApplication::processEvents();
        LogLine(session, "after a resize to " + std::to_string(height));
        EXPECT_EQ(bar->value(), bar->maximum()) << height;
    }
}

TEST_F(MainWindowTest, TheTransitFieldSaysWhatItCounts) {
    auto* transit = Control<QLabel>(command::kTransitField);
    ShowTransit(session, 39680);
    EXPECT_EQ(transit->text(), "39,680 bytes");
    ShowTransitText(session, "27 notes");
    EXPECT_EQ(transit->text(), "27 notes");
    ShowTransit(session, 0);
    EXPECT_EQ(transit->text(), "");
}

TEST_F(MainWindowTest, TheStateFieldHoldsTheLongestStateName) {
    auto* state = Control<QLabel>(command::kStateField);
    EXPECT_LE(state->fontMetrics().horizontalAdvance("Disconnect Pending"), state->width());
}

TEST_F(MainWindowTest, TheWindowGrowsButNeverBelowItsNaturalSize) {
    const QSize natural = window->naturalSize();
    EXPECT_EQ(window->size(), natural);
    EXPECT_EQ(window->minimumSize(), natural);
    auto* log = Control(command::kMessageLog);
    auto* drop = Control(command::kDropArea);
    const QSize logBefore = log->size(), dropBefore = drop->size();
    const auto bottomMargin = [&] {
        return window->height() - log->mapTo(window.get(), QPoint(0, log->height())).y();
    };
    const int marginBefore = bottomMargin();
    window->resize(natural + QSize(100, 80));
    EXPECT_EQ(log->width(), logBefore.width() + 100);
    EXPECT_EQ(drop->width(), dropBefore.width() + 100);
    EXPECT_EQ(log->height() + drop->height(), logBefore.height() + dropBefore.height() + 80);
    EXPECT_GT(log->height(), logBefore.height());
    EXPECT_EQ(bottomMargin(), marginBefore);
}

TEST_F(MainWindowTest, TheStatusViewChangesTheHeightBy85AndIsRemembered) {
    const int natural = Height();
    window->command(command::kStatusView);
    const int expected = natural > 260 ? natural - 85 : natural + 85;
    EXPECT_EQ(Height(), expected);
    int32_t status = 0;
    EXPECT_EQ(prefs.GetPrefInt(status, "Status"), natural > 260 ? 0 : 1);
    window->command(command::kStatusView);
    EXPECT_EQ(Height(), natural > 260 ? expected + 85 : natural);
}

TEST_F(MainWindowTest, CloseEndsTheWindowWithoutTrayMode) {
    window->command(command::kAppExit);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->ended());
    EXPECT_EQ(window->result(), 0);
}

TEST_F(MainWindowTest, InTrayModeACloseAfterShowHidesAndSavesThePlace) {
    prefs.SetPrefInt(1, "SysTray");
    window->command(command::kShowWindow);
    window->move(60, 70);
    ASSERT_TRUE(window->shownFromTray());
    const WindowRect before = window->outerRect();
    window->close();
    EXPECT_TRUE(window->isHidden());
    EXPECT_FALSE(window->shownFromTray());
    int32_t value = 0;
    EXPECT_EQ(prefs.GetPrefInt(value, "PosX"), before.left);
    EXPECT_EQ(prefs.GetPrefInt(value, "PosY"), before.right);

    window->command(command::kShowWindow);
    EXPECT_EQ(window->outerRect().left, before.left) << "shown again where it was";
}

TEST_F(MainWindowTest, EnterAndEscapeEndTheWindowAtOnce) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &escape);
    EXPECT_EQ(window->result(), command::kCancel);
    window->show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_EQ(window->result(), command::kOk);
}

TEST_F(MainWindowTest, ExitFromTheSpeedMenuLeavesNoPlacementBehind) {
    window->move(100, 100);
    window->command(command::kExit);
    EXPECT_EQ(window->result(), 0);
    window->shutDown();
    int32_t value = 0;
    EXPECT_EQ(prefs.GetPrefInt(value, "PosX"), 0);
}

TEST_F(MainWindowTest, TheWindowsEndSavesItsPlace) {
    window->move(100, 120);
    const WindowRect rect = window->outerRect();
    window->shutDown();
    int32_t value = 0;
    EXPECT_EQ(prefs.GetPrefInt(value, "PosX"), rect.left);
    EXPECT_EQ(prefs.GetPrefInt(value, "bottomx"), rect.bottom);
}

TEST_F(MainWindowTest, DroppedTextGoesToTheNewtonAndFilesAreOnlyAcknowledged) {
    GreetNewton();
    newton().OnWrite([](MemoryPeer& n, std::string_view written) {
        if (written == "#CATCH\x04") n.Send("#GO\x04");
    });
    auto* text = new QMimeData;
    text->setText(QString::fromUtf8("H\xC3\xA4j"));
    Drop(text);
    EXPECT_EQ(newton().received(), "#CATCH\x04H\x8Aj\x04");

    auto* files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile("/tmp/a.txt"), QUrl::fromLocalFile("/tmp/b.txt")});
    files->setText("/tmp/a.txt");
    Drop(files);
    EXPECT_TRUE(Log().endsWith("Here\n"));
    EXPECT_EQ(newton().received(), "#CATCH\x04H\x8Aj\x04") << "a file drop sends nothing";
    delete text;
    delete files;
}

TEST_F(MainWindowTest, DroppedPackagesAreInstalledAndTheNextConnectionIsNotGreeted) {
    GreetNewton();
    const std::string package = dir.File("Kalender für 2027.pkg");
    test::WriteFile(package, "package1 and the rest of it");
    auto* files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile(QString::fromStdString(package))});
    Drop(files);
    EXPECT_TRUE(Log().endsWith(
        "Open Connection on the Newton and tap Connect.\nListening on serial port 0.\n"))
        << Log().toStdString();
    EXPECT_TRUE(InstallExpected(session));
    EXPECT_NE(peers.front()->received().find("#BYE"), std::string::npos)
        << "the companion's link ended first";
    EXPECT_EQ(peers.size(), 2u) << "and a new pipe listens";
    delete files;
}

TEST_F(MainWindowTest, TheTimerDrivesTheLink) {
    prefs.SetPrefInt(1, "listen");
    for (int i = 0; i < 300 && session.link.pipe == 0; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    EXPECT_NE(session.link.pipe, 0) << "the first tick listened";
    EXPECT_EQ(Control<QLabel>(command::kStateField)->text(), "Listening");
}

}  // namespace
}  // namespace zd
