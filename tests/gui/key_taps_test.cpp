// A key held since before the window came never counts as the user's tap.
#include "app/key_taps.h"

#include <gtest/gtest.h>

#include <Qt>

namespace zd {
namespace {

TEST(KeyTaps, ATapCountsAndAHeldKeysRepeatsDoNotHoweverTheyAreMarked) {
    KeyTaps taps;
    EXPECT_TRUE(taps.Press(Qt::Key_Escape, 1000, false)) << "the first press of a tap";
    taps.Release(Qt::Key_Escape, 1090);
    EXPECT_TRUE(taps.Press(Qt::Key_Escape, 2000, false)) << "a second tap later";

    KeyTaps held;
    EXPECT_FALSE(held.Press(Qt::Key_Return, 5000, true)) << "marked as a repeat";
    // The display's repeats as release and press pairs, one not marked.
    held.Release(Qt::Key_Return, 5040);
    EXPECT_FALSE(held.Press(Qt::Key_Return, 5040, false));
    held.Release(Qt::Key_Return, 5080);
    EXPECT_FALSE(held.Press(Qt::Key_Return, 5081, false));
    EXPECT_TRUE(held.Press(Qt::Key_Escape, 5100, false)) << "each key on its own";
    // Let go at last, then pressed anew.
    held.Release(Qt::Key_Return, 5120);
    EXPECT_TRUE(held.Press(Qt::Key_Return, 6000, false));
}

}  // namespace
}  // namespace zd
