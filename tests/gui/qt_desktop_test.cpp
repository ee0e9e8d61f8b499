// The Qt desktop services: the clipboard both ways, and the seams that stand
// in for the modal dialogs.
#include "app/qt_desktop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>

#include "support/link_fixture.h"

namespace zd {
namespace {

class QtDesktopTest : public test::LinkFixture {
protected:
    QtDesktop qtDesktop{session, nullptr};
};

TEST_F(QtDesktopTest, ClipboardTextIsUtf8BothWays) {
    qtDesktop.SetClipboardText("Möte € 5, Привет ★");
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("Möte € 5, Привет ★"));
    QApplication::clipboard()->setText(QString::fromUtf8("Grüße \xF0\x9D\x84\x9E"));
    ASSERT_TRUE(qtDesktop.HasClipboardText());
    EXPECT_EQ(qtDesktop.ClipboardText().value(), "Grüße \xF0\x9D\x84\x9E");
    EXPECT_TRUE(display.log.empty());
}

TEST_F(QtDesktopTest, NoTextOnTheClipboard) {
    QApplication::clipboard()->clear();
    EXPECT_FALSE(qtDesktop.HasClipboardText());
}

TEST_F(QtDesktopTest, TheDialogSeamsAnswerWithoutShowing) {
    qtDesktop.setNextFileName("/tmp/note.txt");
    EXPECT_EQ(qtDesktop.ChooseFileToSend().value(), "/tmp/note.txt");
    qtDesktop.setNextFileName("");
    EXPECT_FALSE(qtDesktop.ChooseFileToSend()) << "cancelled";
    qtDesktop.recordMessageBoxes();
    qtDesktop.ShowFileError("/x/Note.txt: No such file or directory");
    EXPECT_EQ(qtDesktop.recordedMessages(), QStringList{"/x/Note.txt: No such file or directory"});
    EXPECT_FALSE(QtDesktop::Caption().isEmpty());
}

}  // namespace
}  // namespace zd
