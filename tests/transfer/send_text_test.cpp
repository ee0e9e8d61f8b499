// Sending text: the catch sequence, and how the file, clipboard and drop
// routes differ in it.
#include "transfer/send_text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "conversation/conversation.h"
#include "link/poll_tick.h"
#include "support/link_fixture.h"
#include "transfer/receive_item.h"

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

TEST_F(SendTextTest, AZeroByteIsLeftOutAndEverythingAfterItConverted) {
    NewtonReplies("#GO\x04");
    FileToSend("å\0å"s);
    SendTextFile(session);
    EXPECT_EQ(newton().received(), "#CATCH\x04\x8C\x8C\x04"s);
    EXPECT_EQ(display.Lines(), (Lines{"1", "2", "Converting special characters.",
                                      "1 zero bytes were left out.", "4"}));
}

TEST_F(SendTextTest, FilesAreUtf8OrElseTheOldBytesAndFileCharsetKeepsTheOldForm) {
    NewtonReplies("#GO\x04");
    FileToSend("Hej då, 5 € för crème\n");
    SendTextFile(session);
    FileToSend("\xEF\xBB\xBFmed BOM");
    SendTextFile(session);
    FileToSend("Hej d\xE5, 5 \x80 f\xF6r cr\xE8me\n");  // code page 1252
    SendTextFile(session);
    const std::string expected = "Hej d\x8C, 5 \xDB f\x9Ar cr\x8Fme\r";
    EXPECT_EQ(newton().received(),
              "#CATCH\x04" + expected + "\x04#CATCH\x04med BOM\x04#CATCH\x04" + expected + "\x04");

    const size_t before = newton().received().size();
    prefs.SetPrefString("cp1252", "FileCharset");
    FileToSend("då");  // UTF-8 read as code page 1252: "dÃ¥"
    SendTextFile(session);
    EXPECT_EQ(newton().received().substr(before),
              "#CATCH\x04"
              "d\xCC\xB4\x04");
}

TEST_F(SendTextTest, OnlyARegularFileOfAtMostTheCapIsRead) {
    NewtonReplies("#GO\x04");
    const std::string fifo = dir.File("pipe"), folder = dir.File("folder"), big = dir.File("big");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    test::WriteFile(big, "");
    ASSERT_EQ(::truncate(big.c_str(), kItemCap + 1), 0);
    for (const std::string& path : {fifo, folder, big}) {
        desktop.fileToSend = path;
        SendTextFile(session);
    }
    const std::string tooBig =
        std::to_string(kItemCap + 1) + " bytes is more than the 16 MiB a text may have";
    const Lines refusals = {fifo + ": this is a named pipe, not a text file; nothing was sent.",
                            folder + ": this is a folder, not a text file; nothing was sent.",
                            big + ": " + tooBig + "; nothing was sent."};
    EXPECT_EQ(desktop.fileErrors, refusals);
    EXPECT_EQ(display.Lines(), refusals) << "told in the log as well, never as sent";
    EXPECT_EQ(newton().received(), "");
    EXPECT_FALSE(session.link.busy);
}

TEST_F(SendTextTest, AnEotInsideATextNeverReachesTheWireInsideIt) {
    NewtonReplies("#GO\x04");
    SendDroppedText(session, "one\x04two");
    EXPECT_EQ(newton().received(), "#CATCH\x04one?two\x04");
    EXPECT_EQ(display.Lines(),
              (Lines{"Converting special characters.",
                     "1 characters went as \"?\": the Newton's character set lacks them."}));
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
    EXPECT_EQ(desktop.fileErrors,
              Lines{dir.File("missing.txt") + ": No such file or directory; nothing was sent."});
    EXPECT_EQ(newton().received(), "");
    EXPECT_EQ(display.states, (Lines{"Working", "Idle", "Working", "Idle"}));
    EXPECT_FALSE(session.link.busy);
}

TEST_F(SendTextTest, DropsNeedAGreetedNewtonAndNeverLookAtTheReply) {
    NewtonReplies("#NO!");
    SendDroppedText(session, "· dropped");
    EXPECT_EQ(newton().received(), "#CATCH\x04\xA5 dropped\x04");
    EXPECT_EQ(display.Lines(), Lines{"Converting special characters."});
    EXPECT_TRUE(display.states.empty());

    session.link.handshakeDone = false;
    display.log.clear();
    SendDroppedText(session, "ignored");
    SendDroppedText(session, std::nullopt);
    EXPECT_EQ(display.Lines(), Lines{"Nothing was sent: no Newton is connected."});
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
    EXPECT_EQ(display.Lines(), (Lines{"Converting special characters.", "<<<--->>>",
                                      "Nothing was sent: no Newton is connected."}));
    EXPECT_FALSE(session.link.busy);
}

}  // namespace
}  // namespace zd
