#include "app/window_rules.h"

#include <algorithm>

#include "base/prefs_keys.h"
#include "base/prefs_store.h"

namespace zd {
namespace {

void WritePlacement(PrefsStore& prefs, const WindowRect& rect) {
    prefs.SetPrefInt(rect.left, prefs::kPosX);
    prefs.SetPrefInt(rect.right, prefs::kPosY);  // "PosY" holds the right edge
    prefs.SetPrefInt(rect.top, prefs::kTopX);
    prefs.SetPrefInt(rect.bottom, prefs::kBottomX);
}

// How much of a window must lie on a screen for the user to take hold of it.
constexpr int kReachableWidth = 40;
constexpr int kReachableHeight = 20;

bool Reachable(const WindowRect& rect, const WindowRect& screen) {
    const int width = std::min(rect.right, screen.right) - std::max(rect.left, screen.left);
    const int height = std::min(rect.bottom, screen.bottom) - std::max(rect.top, screen.top);
    return width >= std::min(kReachableWidth, rect.width()) &&
           height >= std::min(kReachableHeight, rect.height());
}

// How far `rect` lies from `screen`: 0 when they overlap.
long long Distance(const WindowRect& rect, const WindowRect& screen) {
    const long long dx = std::max({0, screen.left - rect.right, rect.left - screen.right});
    const long long dy = std::max({0, screen.top - rect.bottom, rect.top - screen.bottom});
    return dx * dx + dy * dy;
}

// The start that keeps [start, start + size) inside [low, high), or `low`
// when it is larger.
int Clamp(int start, int size, int low, int high) {
    return std::max(low, std::min(start, high - size));
}

}  // namespace

WindowRect OntoNearestScreen(const WindowRect& rect, const std::vector<WindowRect>& screens) {
    if (screens.empty()) return rect;
    for (const WindowRect& screen : screens) {
        if (Reachable(rect, screen)) return rect;
    }
    const WindowRect& nearest = *std::min_element(
        screens.begin(), screens.end(), [&rect](const WindowRect& a, const WindowRect& b) {
            return Distance(rect, a) < Distance(rect, b);
        });
    const int left = Clamp(rect.left, rect.width(), nearest.left, nearest.right);
    const int top = Clamp(rect.top, rect.height(), nearest.top, nearest.bottom);
    return WindowRect{left, top, left + rect.width(), top + rect.height()};
}

std::optional<WindowRect> SavedPlacement(const PrefsStore& prefs) {
    const WindowRect stored{ReadPrefInt(prefs, prefs::kPosX), ReadPrefInt(prefs, prefs::kTopX),
                            ReadPrefInt(prefs, prefs::kPosY), ReadPrefInt(prefs, prefs::kBottomX)};
    if (stored.left > 10 && stored.right > 10 && stored.height() > 100 && stored.right < 2800)
        return stored;
    return std::nullopt;
}

std::optional<WindowRect> PlacementToRestore(const PrefsStore& prefs) {
    if (ReadPrefInt(prefs, prefs::kSysTray) != 0) return std::nullopt;
    return SavedPlacement(prefs);
}

WindowRect ShowFromTrayCorner(const PrefsStore& prefs) {
    const int left = ReadPrefInt(prefs, prefs::kPosX), top = ReadPrefInt(prefs, prefs::kTopX);
    return WindowRect{left, top, left, top};
}

bool SavePlacementAtClose(PrefsStore& prefs, const WindowRect& rect) {
    if (!(rect.top > 10 && rect.bottom > 10 && rect.height() > 100 && rect.right < 2800 &&
          rect.left > 20)) {
        return false;
    }
    WritePlacement(prefs, rect);
    return true;
}

bool SavePlacementAtDestruction(PrefsStore& prefs, const WindowRect& rect) {
    if (!(rect.top > 10 && rect.bottom > 10 && rect.left > 10)) return false;
    WritePlacement(prefs, rect);
    return true;
}

std::optional<int> StoredStatus(const PrefsStore& prefs) {
    if (prefs.GetPrefString(prefs::kStatus).empty()) return std::nullopt;
    return ReadPrefInt(prefs, prefs::kStatus);
}

StatusViewChange ToggleStatusViewRule(const WindowRect& rect, std::optional<int> storedStatus) {
    if (storedStatus ? *storedStatus != 0 : rect.height() > 260) {
        return {rect.bottom - kStatusViewPixels, false};
    }
    return {rect.bottom + kStatusViewPixels, true};
}

}  // namespace zd
