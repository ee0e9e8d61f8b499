// The time source of the link: every deadline and timer reads it, so tests can
// drive time by hand instead of sleeping.
#pragma once

#include <chrono>
#include <cstdint>

namespace zd {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on a monotonic scale; only differences mean anything.
    virtual int64_t NowMs() = 0;
};

class SteadyClock final : public Clock {
public:
    int64_t NowMs() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

}  // namespace zd
