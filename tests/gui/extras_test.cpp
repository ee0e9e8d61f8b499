// The preferences dialog, the folder field, the tray icon, the About box and
// the version check.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/export_dialog.h"
#include "app/main_window.h"
#include "app/pictures.h"
#include "app/prefs_dialog.h"
#include "extras/about_box.h"
#include "extras/folder_picker.h"
#include "extras/tray_icon.h"
#include "extras/version_check.h"
#include "support/http_server.h"
#include "support/link_fixture.h"
#include "ui/command_ids.h"

namespace zd {
namespace {

// Runs `dialog` and presses `button` ("1" OK, "2" Cancel) once it is up.
int RunAndPress(PrefsDialog& dialog, const char* button) {
    QTimer::singleShot(0, &dialog,
                       [&dialog, button] { dialog.findChild<QPushButton*>(button)->click(); });
    return dialog.run();
}

class PrefsDialogTest : public test::LinkFixture {
protected:
    template <typename T>
    T* Control(PrefsDialog& dialog, int id) {
        return dialog.findChild<T*>(QString::number(id));
    }
};

TEST_F(PrefsDialogTest, CancelWritesNothing) {
    test::WriteFile(prefs.path(), "[Prefs Section]\nport=2\nURL=1\n");
    PrefsDialog dialog(session);
    EXPECT_EQ(RunAndPress(dialog, "2"), QDialog::Rejected);
    EXPECT_EQ(test::ReadFile(prefs.path()), "[Prefs Section]\nport=2\nURL=1\n");
}

TEST_F(PrefsDialogTest, OkWritesEveryControlBackAndTheSwitchesTakeEffect) {
    test::WriteFile(prefs.path(), "[Prefs Section]\nport=1\nURL=1\nSysTray=1\n");
    PrefsDialog dialog(session);
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_TRUE(Control<QRadioButton>(dialog, 1001)->isChecked());
        EXPECT_TRUE(Control<QCheckBox>(dialog, 1023)->isChecked());
        EXPECT_TRUE(Control<QCheckBox>(dialog, 1025)->isChecked());
        Control<QCheckBox>(dialog, 1022)->setChecked(true);
        Control<QRadioButton>(dialog, 1003)->setChecked(true);
        Control<QPushButton>(dialog, 1)->click();
    });
    EXPECT_EQ(dialog.run(), QDialog::Accepted);
    EXPECT_EQ(test::ReadFile(prefs.path()),
              "[Prefs "
              "Section]\nport=3\nURL=1\nSysTray=1\nDir=\nPackageDir=\nNetAllow=\nSaveAsFile="
              "1\nlisten=0\n");
    EXPECT_TRUE(session.switches.saveAsFile);
    EXPECT_TRUE(session.switches.launchUrl);
}

TEST_F(PrefsDialogTest, TheNetworkPortStaysWhenNoButtonIsChosen) {
    prefs.SetPrefInt(-1, "port");
    PrefsDialog dialog(session);
    EXPECT_EQ(RunAndPress(dialog, "1"), QDialog::Accepted);
    int32_t port = 0;
    EXPECT_EQ(prefs.GetPrefInt(port, "port"), -1);
}

TEST_F(PrefsDialogTest, PortNamesUntilTheFirstGapAndShortNamesStayEmpty) {
    settings.serialDevices = {"/dev/ttyUSB0", "/x/ab", "", "/dev/ttyS9"};
    PrefsDialog dialog(session);
    RunAndPress(dialog, "2");
    EXPECT_EQ(Control<QRadioButton>(dialog, 1000)->text(), "ttyUSB0");
    EXPECT_EQ(Control<QRadioButton>(dialog, 1001)->text(), "") << "two characters";
    EXPECT_EQ(Control<QRadioButton>(dialog, 1002)->text(), "");
    EXPECT_EQ(Control<QRadioButton>(dialog, 1003)->text(), "") << "after the first failure";
    EXPECT_FALSE(Control<QRadioButton>(dialog, 1003)->isHidden()) << "and can still be chosen";
}

TEST_F(PrefsDialogTest, EveryPortButtonShowsItsWholeName) {
    settings.serialDevices = {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/rfcomm0",
                              "/tmp/einstein-extr.pty"};
    PrefsDialog dialog(session);
    RunAndPress(dialog, "2");
    int right = 0;
    for (int id = 1000; id < 1004; ++id) {
        auto* button = Control<QRadioButton>(dialog, id);
        EXPECT_FALSE(button->text().isEmpty());
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
        EXPECT_GT(button->x(), right) << "no button covers the one before";
        right = button->geometry().right();
    }
    EXPECT_LE(right, dialog.width()) << "the dialog holds them all";
}

TEST_F(PrefsDialogTest, TheExportDialogGoesOnOnlyWithSomethingTicked) {
    ExportDialog dialog(nullptr, prefs);
    QPushButton* folder = nullptr;
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text().startsWith("Choose the")) folder = button;
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(folder->isEnabled());
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) box->setChecked(false);
    EXPECT_FALSE(folder->isEnabled()) << "nothing to save";
    dialog.findChildren<QCheckBox*>().front()->setChecked(true);
    EXPECT_TRUE(folder->isEnabled());
}

TEST(FolderPicker, AnEmptyFolderOpensAtHome) {
    EXPECT_EQ(FolderToOpenAt(""), QDir::homePath());
    EXPECT_EQ(FolderToOpenAt("/srv/notes"), "/srv/notes");
}

TEST_F(PrefsDialogTest, EachFolderFieldPicksIntoItsEdit) {
    for (const auto& [id, key] : {std::pair{1005, "Dir"}, std::pair{1006, "PackageDir"}}) {
        PrefsDialog dialog(session);
        QTimer::singleShot(0, &dialog, [&] {
            QLineEdit* edit = Control<QLineEdit>(dialog, id);
            QPushButton* browse = nullptr;
            for (QPushButton* b : dialog.findChildren<QPushButton*>())
                if (b->text() == "..." && b->geometry().top() == edit->geometry().top()) browse = b;
            ASSERT_NE(browse, nullptr);
            EXPECT_EQ(browse->geometry().left(), edit->geometry().right() + 1) << "flush right";
            EXPECT_EQ(browse->width(), 8 * edit->height() / 10);
            EXPECT_EQ(browse->focusPolicy(), Qt::NoFocus);
            EXPECT_EQ(browse->toolTip(), "Modify");
            SetNextPickedFolder(std::nullopt);
            browse->click();
            EXPECT_EQ(edit->text(), "") << "cancelled";
            SetNextPickedFolder(QString::fromStdString(dir.path()));
            browse->click();
            EXPECT_EQ(edit->text(), QString::fromStdString(dir.path()));
            Control<QPushButton>(dialog, 1)->click();
        });
        dialog.run();
        EXPECT_EQ(prefs.GetPrefString(key), dir.path()) << key;
    }
}

TEST(FolderField, OnlyAReadOnlyEditCanBeBound) {
    QWidget parent;
    QLineEdit writable(&parent);
    BrowseEdit field;
    EXPECT_FALSE(BindBrowseEdit(true, &writable, field, 0, "t"));
    writable.setReadOnly(true);
    EXPECT_TRUE(BindBrowseEdit(true, &writable, field, 0, "t"));
    EXPECT_TRUE(BindBrowseEdit(true, &writable, field, 0, "t")) << "bound once, options again";
    EXPECT_EQ(parent.findChildren<QPushButton*>().size(), 1);
    QString path = "/tmp";
    EXPECT_FALSE(PickFolder(path, nullptr, 1, "t")) << "the classic chooser ends as cancelled";
    EXPECT_EQ(path, "/tmp");
}

// A tray icon shown in a tray the tests say is there; the commands it sends are kept.
class ShownTrayIcon : public testing::Test {
protected:
    void SetUp() override {
        CTrayIcon::SetTrayAvailableForTests(true);
        ASSERT_TRUE(
            tray.ShowInTray(&owner, 0x040A, "Zandorelle Speed Menu", ProgramIcon(), kSpeedMenuId));
    }
    void TearDown() override { CTrayIcon::SetTrayAvailableForTests(false); }

    std::vector<int> sent;
    CTrayIcon tray{[this](int id) { sent.push_back(id); }};
    QWidget owner;
};

TEST_F(ShownTrayIcon, EventsForOtherIconsAreNotOurs) {
    EXPECT_EQ(tray.OnIconNotify(153, kTrayLeftDoubleClick), 0);
    EXPECT_EQ(tray.OnIconNotify(kSpeedMenuId, kTrayLeftDoubleClick), 1);
    EXPECT_EQ(tray.OnIconNotify(kSpeedMenuId, kTrayLeftButtonUp), 1);
    EXPECT_EQ(tray.OnIconNotify(kSpeedMenuId, kTrayMouseMove), 1);
    EXPECT_EQ(sent, std::vector<int>{command::kShowWindow});
    EXPECT_TRUE(tray.RemoveFromTray());
    EXPECT_FALSE(tray.RemoveFromTray());
    CTrayIcon::SetTrayAvailableForTests(false);
    EXPECT_FALSE(tray.ShowInTray(&owner, 0x040A, "tip", QIcon(), kSpeedMenuId));
    EXPECT_FALSE(tray.ShowInTray(nullptr, 0x040A, "tip", QIcon(), kSpeedMenuId));
}

TEST(TrayIcon, TheSpeedMenuHasItsItemsAndDefaultAndKeepsItsActionsWhenRefreshed) {
    QMenu menu;
    menu.addAction("left over");
    FillSpeedMenu(menu);
    const QList<QAction*> first = menu.actions();
    menu.actions()[4]->setText("changed meanwhile");
    FillSpeedMenu(menu);
    QStringList items;
    for (QAction* action : menu.actions())
        items << (action->isSeparator() ? "-" : action->text() + " " + action->data().toString());
    EXPECT_EQ(items,
              QStringList({"Show ZD window 1011", "Listen for Newton 1005", "Disconnect 1010", "-",
                           "Put files 1008", "-", "Paste 1009", "Preferences 1007",
                           "About Zandorelle... 1012", "-", "Exit 1031"}));
    EXPECT_EQ(menu.defaultAction(), menu.actions().first());
    EXPECT_EQ(menu.actions(), first) << "the ids a D-Bus host holds stay valid";
}

TEST_F(ShownTrayIcon, TheSpeedMenuIsTheIconsContextMenuAndItsChoicesAreCommands) {
    QMenu* menu = tray.speedMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(tray.OnIconNotify(kSpeedMenuId, kTrayRightButtonUp), 1);
    EXPECT_TRUE(sent.empty()) << "the tray shows the menu; a click alone sends nothing";
    menu->actions().last()->trigger();
    menu->actions()[1]->trigger();
    EXPECT_EQ(sent, (std::vector<int>{command::kExit, command::kListen}));
    tray.RemoveFromTray();
    EXPECT_EQ(tray.speedMenu(), nullptr);
}

class TrayModeTest : public test::LinkFixture {};

TEST_F(TrayModeTest, WithoutATrayTheWindowComesUpAsUsual) {
    prefs.SetPrefInt(1, "SysTray");
    CTrayIcon::SetTrayAvailableForTests(false);
    MainWindow window(session);
    testing::internal::CaptureStderr();
    window.initialise();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zandorelle: the desktop offers no system tray, so tray mode was left off\n");
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    window.shutDown();
}

TEST_F(TrayModeTest, WithATrayTheWindowStartsHiddenAndTheIconShowsIt) {
    prefs.SetPrefInt(1, "SysTray");
    CTrayIcon::SetTrayAvailableForTests(true);
    MainWindow window(session);
    window.initialise();
    QApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.tray().inTray());
    window.tray().OnIconNotify(kSpeedMenuId, kTrayLeftDoubleClick);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.shownFromTray());
    window.shutDown();
    CTrayIcon::SetTrayAvailableForTests(false);
}

TEST(AboutBox, ShowsTheVersionAndDate) {
    AboutBox box;
    EXPECT_EQ(box.windowTitle(), "About Zandorelle");
    EXPECT_EQ(box.findChild<QLabel*>("1027")->text(), "Aug 18 1998");
    EXPECT_EQ(box.findChild<QLabel*>("1028")->text(), "Zandorelle for Windows ver 1.0b2");
    box.findChild<QLabel*>("1027")->clear();
    box.accept();
    EXPECT_EQ(box.findChild<QLabel*>("1027")->text(), "Aug 18 1998") << "set again on OK";
}

// The messages a check shows against a server that answers `response`.
QStringList Check(const std::string& response,
                  test::HttpServer::Behaviour behaviour = test::HttpServer::Behaviour::kAnswer,
                  std::vector<std::string>* requests = nullptr, int timeoutMs = 500) {
    test::HttpServer server(response, behaviour);
    QStringList shown;
    const QUrl url(QString("http://127.0.0.1:%1/orvelt/version.htm").arg(server.port()));
    CheckVersion(
        url, [&](const QString& message) { shown << message; }, timeoutMs);
    if (requests) *requests = server.requests();
    return shown;
}

// What a check says when no page came.
const QString kFailed = "There is some error in getting info at this time, try later ... ";

std::string Page(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

TEST(VersionCheck, TokensFoundAreShownInOrder) {
    const QString upToDate = "Your version is up-to-date!";
    std::vector<std::string> requests;
    EXPECT_EQ(Check(Page("ZANDOR1"), test::HttpServer::Behaviour::kAnswer, &requests),
              QStringList{upToDate});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("GET /orvelt/version.htm HTTP/1.1\r\n", 0), 0u) << requests[0];
    EXPECT_NE(requests[0].find("User-Agent: CodeguruBrowser1.0\r\n"), std::string::npos);
    EXPECT_NE(requests[0].find("Accept-Encoding: identity\r\n"), std::string::npos);

    EXPECT_EQ(Check(Page("<p>ZANDOR6</p><p>ZANDOR1</p>")),
              QStringList({upToDate, "There is a newer version available!!"}));
    EXPECT_EQ(Check(Page("ZANDOR12")), QStringList{upToDate});
    EXPECT_EQ(Check(Page("zandor1")), QStringList{});
    EXPECT_EQ(Check(Page(std::string("abc\0ZANDOR1", 11))), QStringList{});
    EXPECT_EQ(Check("HTTP/1.1 404 Not Found\r\nContent-Length: 7\r\n\r\nZANDOR2"),
              QStringList{"There is a newer version available!"});
}

TEST(VersionCheck, OnlyTheAnnouncedLengthIsReadAndNoLengthReadsNothing) {
    EXPECT_EQ(Check("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nxxxxxZANDOR1"), QStringList{});
    EXPECT_EQ(Check("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nZANDOR1"), QStringList{kFailed});
    EXPECT_EQ(Check("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"), QStringList{kFailed});
}

TEST(VersionCheck, AServerThatNeverAnswersIsToldAfterTheTimeout) {
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(Check("", test::HttpServer::Behaviour::kSilent), QStringList{kFailed});
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(QUrl(VersionPageUrl()).path(), "/orvelt/version.htm");
}

TEST(VersionCheck, NoReplyCanBreakIt) {
    using Behaviour = test::HttpServer::Behaviour;
    const std::string huge = "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999\r\n\r\n";
    EXPECT_EQ(Check(huge + "ZANDOR1", Behaviour::kAnswer),
              QStringList{"Your version is up-to-date!"})
        << "an absurd length reads what came";
    EXPECT_EQ(Check(huge, Behaviour::kFlood), QStringList{}) << "an endless body, at most 64 KiB";
    EXPECT_EQ(Check("\x01\xFF garbage \r\n\r\n\r\n", Behaviour::kAnswer), QStringList{kFailed});
    EXPECT_EQ(Check("", Behaviour::kReset), QStringList{kFailed});

    std::vector<std::string> requests;
    Check("", Behaviour::kReset, &requests);
    EXPECT_EQ(requests.size(), 1u) << "one request, no retries";
}

TEST(VersionCheck, OneDeadlineForTheWholeReplyHowSlowlyItComes) {
    QElapsedTimer timer;
    timer.start();
    // The server sends a byte every second: no byte resets the deadline.
    Check(Page(std::string(60, 'x') + "ZANDOR1"), test::HttpServer::Behaviour::kTrickle, nullptr,
          kFetchTimeoutMs);
    EXPECT_LT(timer.elapsed(), 16000);
    EXPECT_GE(timer.elapsed(), kFetchTimeoutMs - 100);
}

}  // namespace
}  // namespace zd
