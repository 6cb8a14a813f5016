#include <gtest/gtest.h>

#include <cstdlib>

#include "transfer/RateMeter.h"

using kivtransfer::CRateMeter;
using kivtransfer::RemainingSeconds;

namespace {

class RateMeterTest : public ::testing::Test {
protected:
    std::int64_t now = 1000000;  // milliseconds
    CRateMeter meter{[this] { return now; }};
};

TEST_F(RateMeterTest, RestartReportsNoRateUntilASecondHasPassed) {
    EXPECT_EQ(meter.RateMeter(0), 0u);
    bool updated = true;
    EXPECT_EQ(meter.RateMeter(5000, &updated), 0u);
    EXPECT_FALSE(updated);
    EXPECT_EQ(meter.RateMeter(5000, &updated), 0u);
    EXPECT_FALSE(updated);

    now += 999;
    EXPECT_EQ(meter.RateMeter(1, &updated), 0u);
    EXPECT_FALSE(updated);
    now += 1;
    EXPECT_EQ(meter.RateMeter(1999, &updated), 12000u);
    EXPECT_TRUE(updated);
}

TEST_F(RateMeterTest, RateCoversEverythingSinceTheRestartAndHoldsWithinTheSecond) {
    meter.Restart();
    meter.RateMeter(1000);
    now += 2000;
    bool updated = false;
    EXPECT_EQ(meter.RateMeter(3000, &updated), 2000u);  // 4000 bytes over 2 s
    EXPECT_TRUE(updated);

    // A new interval opens with the next count; the old rate stands for a second.
    EXPECT_EQ(meter.RateMeter(6000, &updated), 2000u);
    EXPECT_FALSE(updated);
    now += 1000;
    EXPECT_EQ(meter.RateMeter(2000, &updated), 4000u);  // 12000 bytes over 3 s
    EXPECT_TRUE(updated);
}

TEST_F(RateMeterTest, RestartForgetsBytesAndRate) {
    meter.Restart();
    meter.RateMeter(100000);
    now += 1000;
    ASSERT_EQ(meter.RateMeter(1), 100001u);

    EXPECT_EQ(meter.RateMeter(0), 0u);
    bool updated = true;
    EXPECT_EQ(meter.RateMeter(10, &updated), 0u);  // the old rate is gone
    EXPECT_FALSE(updated);
    now += 2000;
    EXPECT_EQ(meter.RateMeter(10, &updated), 10u);  // 20 bytes over 2 s
    EXPECT_TRUE(updated);
}

TEST_F(RateMeterTest, IntervalStartsWithTheFirstBytesNotWithTheRestart) {
    meter.Restart();
    now += 10000;  // nothing arrived for a while
    bool updated = true;
    EXPECT_EQ(meter.RateMeter(3000, &updated), 0u);
    EXPECT_FALSE(updated);
    now += 2000;
    EXPECT_EQ(meter.RateMeter(3000, &updated), 500u);  // 6000 bytes over 12 s
    EXPECT_TRUE(updated);
}

TEST_F(RateMeterTest, ClockSteppingBackNeverDividesByZero) {
    meter.Restart();
    now -= 5000;
    meter.RateMeter(700);
    now += 1000;  // still before the measurement start
    bool updated = false;
    EXPECT_EQ(meter.RateMeter(300, &updated), 1000u);
    EXPECT_TRUE(updated);
}

// A restart 50 ms before a clock second, a first mebibyte within 100 ms, then
// a steady 5 MB/s: each figure after the first is the true average since the
// restart, and only from the second one on is the rate settled.
TEST_F(RateMeterTest, RestartJustBeforeAClockSecondGivesTrueAverages) {
    now = 950;
    meter.Restart();
    std::uint64_t delivered = 0;
    int readings = 0;
    auto feed = [&](std::uint64_t bytes) {
        delivered += bytes;
        bool updated = false;
        const std::uint64_t rate = meter.RateMeter(bytes, &updated);
        if (!updated) return;
        ++readings;
        EXPECT_EQ(meter.RateIsSettled(), readings >= 2) << "reading " << readings;
        if (readings == 1) return;
        const double trueAverage = delivered * 1000.0 / static_cast<double>(now - 950);
        EXPECT_LT(std::abs(static_cast<double>(rate) - trueAverage), trueAverage / 10)
            << "reading " << readings << " at " << now << " ms";
    };
    for (int step = 1; step <= 10; ++step) {  // 1 MiB by 1.05 s
        now = 950 + step * 10;
        feed(1024 * 1024 / 10 + (step == 10 ? 1024 * 1024 % 10 : 0));
    }
    while (now < 8000) {  // 50 000 bytes every 10 ms
        now += 10;
        feed(50000);
    }
    EXPECT_GE(readings, 6);
    meter.Restart();
    EXPECT_FALSE(meter.RateIsSettled());
}

TEST(RemainingSecondsTest, DividesRemainingBytesByTheRate) {
    EXPECT_EQ(RemainingSeconds(10000, 3000), 3u);
    EXPECT_EQ(RemainingSeconds(0, 3000), 0u);
    EXPECT_EQ(RemainingSeconds(10000, 0), 0u);
    EXPECT_EQ(RemainingSeconds(1ull << 40, 1024), 1ull << 30);
}

}  // namespace
