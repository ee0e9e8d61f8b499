// The display operations: what each one hands the display, request by request.
#include "link/display_ops.h"

#include <gtest/gtest.h>

#include "session/session.h"
#include "support/fake_clock.h"
#include "support/recording_display.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

class DisplayOpsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::FakeClock clock;
    PrefsStore prefs{dir.File("z.INI")};
    Dil dil{clock};
    test::RecordingDisplay display;
    Session session{Services{dil, prefs, clock, &display}};
};

TEST_F(DisplayOpsTest, LogLineIsTheTextThenTheLineEndAsTwoRequests) {
    LogLine(session, "Accepting...");
    LogLine(session, "");
    EXPECT_EQ(display.pieces, (std::vector<std::string>{"Accepting...", "\r\n", "", "\r\n"}));
}

TEST_F(DisplayOpsTest, LogTextGoesOutInPiecesOfEighty) {
    const std::string text(200, 'a');
    struct Row {
        int32_t length;
        std::vector<size_t> pieces;
    } rows[] = {
        {-1, {80, 80, 40}},  {0, {}}, {-5, {}}, {1, {1}}, {80, {80}}, {81, {80, 1}},
        {200, {80, 80, 40}},
    };
    for (const Row& row : rows) {
        display.pieces.clear();
        LogText(session, text.c_str(), row.length);
        std::vector<size_t> sizes;
        for (const std::string& piece : display.pieces) sizes.push_back(piece.size());
        EXPECT_EQ(sizes, row.pieces) << "length " << row.length;
    }
}

TEST_F(DisplayOpsTest, LogTextPiecesFollowOnAndStopAtAZero) {
    std::string text;
    for (int i = 0; i < 170; ++i) text += static_cast<char>('0' + i % 10);
    text[100] = '\0';
    LogText(session, text.c_str(), 170);
    ASSERT_EQ(display.pieces.size(), 3u);
    EXPECT_EQ(display.pieces[0], text.substr(0, 80));
    EXPECT_EQ(display.pieces[1], text.substr(80, 20));  // cut at the zero
    EXPECT_EQ(display.pieces[2], text.substr(160, 10));
}

TEST_F(DisplayOpsTest, ShowTransitShowsZeroAsEmpty) {
    ShowTransit(session, 0);
    ShowTransit(session, -5);
    ShowTransit(session, 2147483647);
    ShowState(session, "Listening");
    EXPECT_EQ(display.transits, (std::vector<std::string>{"", "-5", "2147483647"}));
    EXPECT_EQ(display.states, (std::vector<std::string>{"Listening"}));
}

}  // namespace
}  // namespace zd
