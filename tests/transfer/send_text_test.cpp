// Sending text: the catch sequence, and how the file, clipboard and drop
// routes differ in it.
#include "transfer/send_text.h"

#include <gtest/gtest.h>

#include "link/poll_tick.h"
#include "support/link_fixture.h"

namespace zd {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

class SendTextTest : public test::LinkFixture {
protected:
    void SetUp() override { GreetNewton(); }

    // The Newton answers "#CATCH" with `reply`.
    void NewtonReplies(const std::string& reply) {
        newton().OnWrite([reply](MemoryPeer& n, std::string_view written) {
            if (written == "#CATCH\x04") n.Send(reply);
        });
    }

    std::string FileToSend(const std::string& content) {
        const std::string path = dir.File("send.txt");
        test::WriteFile(path, content);
        desktop.fileToSend = path;
        return path;
    }
};

TEST_F(SendTextTest, AFileGoesOutConvertedAfterTheGoAhead) {
    NewtonReplies("#GO\x04");
    FileToSend("Hej\r\nd\xE5");
    ButtonCommand(session, kButtonSendFile);
    EXPECT_EQ(newton().received(), "#CATCH\x04Hej\r\rd\x8C\x04");
    EXPECT_EQ(display.Lines(),
              (Lines{"Zandorelling...", "1", "2", "Converting special characters.", "4"}));
    EXPECT_EQ(display.states, (Lines{"Working", "Idle"}));
    EXPECT_FALSE(session.link.busy);
}

TEST_F(SendTextTest, AWrongReplyIsNotedAndTheTextSentAllTheSame) {
    NewtonReplies("#NO!");
    FileToSend("a");
    SendTextFile(session);
    desktop.clipboard = "b";
    PasteToNewton(session);
    EXPECT_EQ(newton().received(),
              "#CATCH\x04"
              "a\x04#CATCH\x04"
              "b\x04");
    EXPECT_EQ(display.Lines(), (Lines{"1", "2", "Converting special characters.", "4", "<<--->>",
                                      "Converting special characters.", "<<<--->>>"}));
}

TEST_F(SendTextTest, AnyFourthByteAfterGoIsFine) {
    NewtonReplies("#GOx");
    desktop.clipboard = "b";
    PasteToNewton(session);
    EXPECT_EQ(display.Lines(), Lines{"Converting special characters."});
}

TEST_F(SendTextTest, ASilentNewtonIsAWrongReply) {
    desktop.clipboard = "b";
    PasteToNewton(session);
    EXPECT_EQ(newton().received(),
              "#CATCH\x04"
              "b\x04");
    EXPECT_EQ(display.Lines().back(), "<<<--->>>");
}

TEST_F(SendTextTest, AFailedAnnouncementSkipsTheFileButNotTheClipboard) {
    NewtonReplies("#GO\x04");
    FileToSend("file text");
    newton().FailWritesWith(kDilErrTimeout, 1);
    SendTextFile(session);
    EXPECT_EQ(newton().received(), "\x04") << "only the closing EOT";

    newton().Send("#GO\x04");  // the reply the file route never read is taken now
    desktop.clipboard = "clip text";
    newton().FailWritesWith(kDilErrTimeout, 1);
    PasteToNewton(session);
    EXPECT_EQ(newton().received(),
              "\x04"
              "clip text\x04");
}

TEST_F(SendTextTest, EmptyTextsAreStillAnnouncedAndEnded) {
    NewtonReplies("#GO\x04");
    desktop.clipboard = "";
    PasteToNewton(session);
    FileToSend("");
    SendTextFile(session);
    EXPECT_EQ(newton().received(), "#CATCH\x04\x04#CATCH\x04\x04");
}

TEST_F(SendTextTest, AFileIsSentWholePastAZeroByteUnconvertedAfterIt) {
    NewtonReplies("#GO\x04");
    FileToSend("\xE5\0\xE5"s);
    SendTextFile(session);
    EXPECT_EQ(newton().received(), "#CATCH\x04\x8C\0\xE5\x04"s);
}

TEST_F(SendTextTest, ClipboardAndDroppedTextsAreSentWhole) {
    NewtonReplies("#GO\x04");
    const std::string long_text(500, 'x');
    desktop.clipboard = long_text;
    PasteToNewton(session);
    SendDroppedText(session, long_text + "y");
    EXPECT_EQ(newton().received(),
              "#CATCH\x04" + long_text + "\x04#CATCH\x04" + long_text + "y\x04");
}

TEST_F(SendTextTest, NoTextOnTheClipboard) {
    ButtonCommand(session, kButtonPaste);
    desktop.clipboard = "x";
    desktop.clipboardOpens = false;
    PasteToNewton(session);
    EXPECT_EQ(display.Lines(), (Lines{"Special Paste.", "Must perform Copy operation first!",
                                      "Can't open Clipboard."}));
    EXPECT_EQ(display.states, (Lines{"Working", "Idle", "Working", "Idle"}));
    EXPECT_EQ(newton().received(), "");
    EXPECT_FALSE(session.link.busy);
}

TEST_F(SendTextTest, ACancelledOrUnreadableFileSendsNothing) {
    SendTextFile(session);  // the dialog is cancelled
    EXPECT_TRUE(display.log.empty());
    desktop.fileToSend = dir.File("missing.txt");
    SendTextFile(session);
    EXPECT_EQ(desktop.fileErrors, Lines{dir.File("missing.txt") + ": No such file or directory"});
    EXPECT_EQ(newton().received(), "");
    EXPECT_EQ(display.states, (Lines{"Working", "Idle", "Working", "Idle"}));
    EXPECT_FALSE(session.link.busy);
}

TEST_F(SendTextTest, DropsNeedAGreetedNewtonAndNeverLookAtTheReply) {
    NewtonReplies("#NO!");
    SendDroppedText(session, "\xB7 dropped");
    EXPECT_EQ(newton().received(), "#CATCH\x04\xA5 dropped\x04");
    EXPECT_EQ(display.Lines(), Lines{"Converting special characters."});
    EXPECT_TRUE(display.states.empty());

    session.link.handshakeDone = false;
    display.log.clear();
    SendDroppedText(session, "ignored");
    SendDroppedText(session, std::nullopt);
    EXPECT_TRUE(display.log.empty());
    EXPECT_FALSE(session.link.busy);
}

TEST_F(SendTextTest, DroppedFilesAreOnlyAcknowledged) {
    DropFiles(session);
    EXPECT_EQ(display.Lines(), Lines{"Here"});
    EXPECT_EQ(newton().received(), "");
}

TEST_F(SendTextTest, WithoutAPipeTheFailedCallsLeadToTheirMessages) {
    Disconnect(session);
    display.log.clear();
    desktop.clipboard = "x";
    PasteToNewton(session);
    EXPECT_EQ(display.Lines(), (Lines{"Converting special characters.", "<<<--->>>"}));
    EXPECT_FALSE(session.link.busy);
}

}  // namespace
}  // namespace zd
