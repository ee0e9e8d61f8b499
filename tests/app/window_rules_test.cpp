// The window's placement and status-view rules on plain rectangles.
#include "app/window_rules.h"

#include <gtest/gtest.h>

#include "base/prefs_store.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

class WindowRulesTest : public ::testing::Test {
protected:
    void Store(int left, int right, int top, int bottom, int sysTray = 0) {
        prefs.SetPrefInt(left, "PosX");
        prefs.SetPrefInt(right, "PosY");
        prefs.SetPrefInt(top, "topx");
        prefs.SetPrefInt(bottom, "bottomx");
        prefs.SetPrefInt(sysTray, "SysTray");
    }
    std::string File() { return test::ReadFile(prefs.path()); }

    test::TempDir dir;
    PrefsStore prefs{dir.File("z.INI")};
};

TEST_F(WindowRulesTest, RestoreNeedsEveryConditionStrictly) {
    EXPECT_FALSE(PlacementToRestore(prefs)) << "nothing saved yet";
    Store(11, 300, 20, 121);
    const auto rect = PlacementToRestore(prefs);
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->left, 11);
    EXPECT_EQ(rect->right, 300);
    EXPECT_EQ(rect->height(), 101);
    struct Row {
        int left, right, top, bottom, tray;
    } refused[] = {{10, 300, 20, 200, 0},
                   {11, 10, 20, 200, 0},
                   {11, 300, 20, 120, 0},
                   {11, 300, 20, 200, 1},
                   {11, 2800, 20, 200, 0}};
    for (const Row& r : refused) {
        Store(r.left, r.right, r.top, r.bottom, r.tray);
        EXPECT_FALSE(PlacementToRestore(prefs)) << r.left << " " << r.right << " " << r.bottom;
    }
    Store(11, 2799, 20, 200);
    EXPECT_TRUE(PlacementToRestore(prefs));
}

TEST_F(WindowRulesTest, SavesWriteTheRightEdgeAsPosYInOrder) {
    EXPECT_TRUE(SavePlacementAtDestruction(prefs, WindowRect{11, 12, 200, 13}));
    EXPECT_EQ(File(), "[Prefs Section]\nPosX=11\nPosY=200\ntopx=12\nbottomx=13\n");
    EXPECT_FALSE(SavePlacementAtDestruction(prefs, WindowRect{10, 50, 200, 300}));
    EXPECT_FALSE(SavePlacementAtDestruction(prefs, WindowRect{-32000, -32000, 0, 0}));

    EXPECT_FALSE(SavePlacementAtClose(prefs, WindowRect{20, 50, 200, 300})) << "left must pass 20";
    EXPECT_FALSE(SavePlacementAtClose(prefs, WindowRect{21, 50, 2800, 300}));
    EXPECT_FALSE(SavePlacementAtClose(prefs, WindowRect{21, 50, 200, 150}));
    EXPECT_TRUE(SavePlacementAtClose(prefs, WindowRect{21, 50, 200, 151}));
    EXPECT_EQ(File(), "[Prefs Section]\nPosX=21\nPosY=200\ntopx=50\nbottomx=151\n");
}

TEST_F(WindowRulesTest, StatusViewTogglesBy85Pixels) {
    EXPECT_EQ(ToggleStatusViewRule(WindowRect{0, 0, 100, 260}, std::nullopt).bottom, 345);
    EXPECT_TRUE(ToggleStatusViewRule(WindowRect{0, 0, 100, 260}, std::nullopt).open);
    EXPECT_EQ(ToggleStatusViewRule(WindowRect{0, 0, 100, 261}, std::nullopt).bottom, 176);
    EXPECT_FALSE(ToggleStatusViewRule(WindowRect{0, 0, 100, 261}, std::nullopt).open);
    EXPECT_EQ(ToggleStatusViewRule(WindowRect{0, 10, 100, 110}, 1).bottom, 25)
        << "a stored open view always shrinks";
    EXPECT_EQ(ToggleStatusViewRule(WindowRect{0, 0, 100, 520}, 0).bottom, 605)
        << "a closed view of an enlarged window opens";
}

TEST_F(WindowRulesTest, ShowFromTrayUsesLeftAndTopOrZero) {
    EXPECT_EQ(ShowFromTrayCorner(prefs).left, 0);
    Store(40, 300, 55, 400);
    EXPECT_EQ(ShowFromTrayCorner(prefs).left, 40);
    EXPECT_EQ(ShowFromTrayCorner(prefs).top, 55);
}

TEST(OntoNearestScreen, AReachableWindowStaysAndALostOneComesBackWithItsSize) {
    const std::vector<WindowRect> screens = {{0, 0, 1024, 768}, {1024, 0, 2944, 1080}};
    const WindowRect onSecond{1500, 100, 1700, 400};
    EXPECT_EQ(OntoNearestScreen(onSecond, screens), onSecond);
    const WindowRect halfOff{-100, 50, 100, 350};
    EXPECT_EQ(OntoNearestScreen(halfOff, screens), halfOff) << "enough of it to take hold of";

    // Saved on a monitor to the right that is gone.
    EXPECT_EQ(OntoNearestScreen(onSecond, {screens[0]}), (WindowRect{824, 100, 1024, 400}));
    // Far above and to the left of everything.
    EXPECT_EQ(OntoNearestScreen({-5000, -3000, -4800, -2700}, screens),
              (WindowRect{0, 0, 200, 300}));
    // A sliver along the bottom edge is as good as lost.
    EXPECT_EQ(OntoNearestScreen({100, 760, 300, 1060}, {screens[0]}),
              (WindowRect{100, 468, 300, 768}));
    EXPECT_EQ(OntoNearestScreen(onSecond, {}), onSecond) << "no screens known: as it is";
}

}  // namespace
}  // namespace zd
