// The main window's placement and status-view rules, apart from any window so
// they can be tested on plain rectangles.  All comparisons are strict.
#pragma once

#include <optional>

#include <optional>
#include <vector>

namespace zd {

class PrefsStore;

// A window's outer rectangle in screen pixels.
struct WindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const WindowRect&) const = default;
};

// `rect` where the user can reach it: as it is when a good part of it (its
// title bar's worth) lies on one of `screens`, otherwise moved onto the
// nearest screen with its size kept.
WindowRect OntoNearestScreen(const WindowRect& rect, const std::vector<WindowRect>& screens);

// The stored rectangle, when it passes: "PosX" and "PosY" above 10, taller
// than 100, right edge below 2800.
std::optional<WindowRect> SavedPlacement(const PrefsStore& prefs);
// The rectangle to restore at start-up: the saved one, but not in tray mode,
// whose window is first placed when it is shown from the tray.
std::optional<WindowRect> PlacementToRestore(const PrefsStore& prefs);

// Where "Show ZD window" puts the window's top-left corner: ("PosX", "topx").
WindowRect ShowFromTrayCorner(const PrefsStore& prefs);

// Saves `rect` when a close request hides the window in tray mode, if top and
// bottom are above 10, it is taller than 100, its right edge below 2800 and
// its left edge above 20.  True when it was saved.
bool SavePlacementAtClose(PrefsStore& prefs, const WindowRect& rect);

// Saves `rect` as the window goes away, if top, bottom and left are above 10.
bool SavePlacementAtDestruction(PrefsStore& prefs, const WindowRect& rect);

// The status view: how tall the window becomes and whether the view is then
// open.  Open when "Status" says so, or, before any toggle wrote it, when the
// window is taller than 260 pixels; and then it closes (85 pixels less);
// otherwise it opens (85 more).  A window the user made taller keeps its
// view's state in "Status" alone: toggling twice gives the same window back.
struct StatusViewChange {
    int bottom;
    bool open;
};
inline constexpr int kStatusViewPixels = 85;
// "Status" as the last toggle wrote it; nullopt before the first.
std::optional<int> StoredStatus(const PrefsStore& prefs);
StatusViewChange ToggleStatusViewRule(const WindowRect& rect, std::optional<int> storedStatus);

}  // namespace zd
