#include "app/window_rules.h"

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

}  // namespace

std::optional<WindowRect> PlacementToRestore(const PrefsStore& prefs) {
    const WindowRect stored{ReadPrefInt(prefs, prefs::kPosX), ReadPrefInt(prefs, prefs::kTopX),
                            ReadPrefInt(prefs, prefs::kPosY), ReadPrefInt(prefs, prefs::kBottomX)};
    if (stored.left > 10 && stored.right > 10 && stored.height() > 100 &&
        ReadPrefInt(prefs, prefs::kSysTray) == 0 && stored.right < 2800) {
        return stored;
    }
    return std::nullopt;
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

StatusViewChange ToggleStatusViewRule(const WindowRect& rect, int storedStatus) {
    if (storedStatus != 0 || rect.height() > 260) {
        return {rect.bottom - kStatusViewPixels, false};
    }
    return {rect.bottom + kStatusViewPixels, true};
}

}  // namespace zd
