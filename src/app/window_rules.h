// The main window's placement and status-view rules, apart from any window so
// they can be tested on plain rectangles.  All comparisons are strict.
#pragma once

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

// The rectangle to restore at start-up, when the stored one passes: "PosX" and
// "PosY" above 10, taller than 100, not in tray mode, right edge below 2800.
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
// open.  Open when "Status" says so or the window is taller than 260 pixels,
// and then it closes (85 pixels less); otherwise it opens (85 more).
struct StatusViewChange {
    int bottom;
    bool open;
};
inline constexpr int kStatusViewPixels = 85;
StatusViewChange ToggleStatusViewRule(const WindowRect& rect, int storedStatus);

}  // namespace zd
