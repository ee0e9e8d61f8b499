// The Qt desktop services: the clipboard's code page conversion both ways, and
// the seams that stand in for the modal dialogs.
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

TEST_F(QtDesktopTest, ClipboardTextIsCodePage1252HereAndUtf8There) {
    qtDesktop.SetClipboardText("M\xF6te \x80 5");
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("Möte € 5"));
    QApplication::clipboard()->setText(QString::fromUtf8("Grüße"));
    ASSERT_TRUE(qtDesktop.HasClipboardText());
    EXPECT_EQ(qtDesktop.ClipboardText().value(),
              "Gr\xFC\xDF"
              "e");
    EXPECT_TRUE(display.log.empty());
}

TEST_F(QtDesktopTest, CharactersOutsideCodePage1252GoAsQuestionMarksAndAreCounted) {
    QApplication::clipboard()->setText(QString::fromUtf8("? ★ \xF0\x9D\x84\x9E ok?"));
    EXPECT_EQ(qtDesktop.ClipboardText().value(), "? ? ? ok?");
    EXPECT_EQ(display.Lines(),
              std::vector<std::string>{
                  "2 characters went as \"?\": the Newton's character set lacks them."});
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
