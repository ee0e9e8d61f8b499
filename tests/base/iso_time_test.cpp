// Moments as ISO 8601 text with their offset, written in one time zone and
// read in another, and the older text without an offset read as local time.
#include "base/iso_time.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zd {
namespace {

// 11 December 2026, 16:18:17 UTC.
constexpr std::time_t kMoment = 1797005897;

class IsoTimeTest : public ::testing::Test {
protected:
    void InZone(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    void TearDown() override {
        m_before ? ::setenv("TZ", m_kept.c_str(), 1) : ::unsetenv("TZ");
        ::tzset();
    }

private:
    const char* m_before = std::getenv("TZ");
    std::string m_kept = m_before ? m_before : "";
};

TEST_F(IsoTimeTest, AMomentReadsBackTheSameInEveryZone) {
    const struct {
        const char* zone;
        const char* text;
    } zones[] = {{"Europe/Stockholm", "2026-12-11T17:18:17+01:00"},
                 {"America/Los_Angeles", "2026-12-11T08:18:17-08:00"},
                 {"Asia/Kolkata", "2026-12-11T21:48:17+05:30"}};
    for (const auto& [zone, text] : zones) {
        InZone(zone);
        EXPECT_EQ(IsoLocalTime(kMoment), text);
        InZone("UTC");
        EXPECT_EQ(ParseIsoTime(text), kMoment) << text;
    }
    EXPECT_EQ(ParseIsoTime("2026-12-11T16:18:17Z"), kMoment);
    InZone("Europe/Stockholm");
    EXPECT_EQ(ParseIsoTime("2026-12-11T17:18:17"), kMoment) << "without an offset: local time";
    for (const char* text :
         {"", "igår", "2026-12-11", "2026-12-11T17:18:17+1", "2026-12-11T17:18:17 x"})
        EXPECT_FALSE(ParseIsoTime(text)) << text;
}

}  // namespace
}  // namespace zd
