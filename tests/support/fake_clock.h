// A clock the test moves.  Each reading also moves it by `step` ms, so loops
// that wait for a deadline end without anyone advancing the clock by hand.
#pragma once

#include "base/clock.h"

namespace zd::test {

class FakeClock final : public Clock {
public:
    explicit FakeClock(int64_t step = 1) : m_step(step) {}
    int64_t NowMs() override { return m_now += m_step; }
    void Advance(int64_t ms) { m_now += ms; }
    int64_t now() const { return m_now; }

private:
    int64_t m_now = 1'000'000;
    int64_t m_step;
};

}  // namespace zd::test
