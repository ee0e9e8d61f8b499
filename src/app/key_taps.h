// Which presses of a key are the user's own.  A key held down since before
// the window came (the press that ended the program's previous run, a test
// tool's press whose release never came) keeps arriving as the display's
// repeats, and the display does not always mark them as repeats: a press
// that follows another event of its key within a repeat's interval is one.
#pragma once

#include <cstdint>
#include <map>

namespace zd {

class KeyTaps {
public:
    // True when a press of `key` at `timeMs` (the display's clock) is a fresh
    // tap; `repeat` is what the display said of it.
    bool Press(int key, uint64_t timeMs, bool repeat) {
        const bool fresh = !repeat && Quiet(key, timeMs);
        m_last[key] = timeMs;
        return fresh;
    }
    void Release(int key, uint64_t timeMs) { m_last[key] = timeMs; }

private:
    // Displays repeat a held key 25 to 30 times a second.
    static constexpr uint64_t kRepeatGapMs = 150;

    bool Quiet(int key, uint64_t timeMs) const {
        const auto last = m_last.find(key);
        return last == m_last.end() || timeMs - last->second > kRepeatGapMs;
    }

    std::map<int, uint64_t> m_last;
};

}  // namespace zd
