#include <gtest/gtest.h>

#include "transfer/RateMeter.h"

namespace {

class RateMeterTest : public ::testing::Test {
protected:
    std::int64_t now = 1000;
    CRateMeter meter{[this] { return now; }};
};

TEST_F(RateMeterTest, RestartReportsNoRateUntilAWholeSecondHasPassed) {
    EXPECT_EQ(meter.RateMeter(0), 0u);
    bool updated = true;
    EXPECT_EQ(meter.RateMeter(5000, &updated), 0u);
    EXPECT_FALSE(updated);
    EXPECT_EQ(meter.RateMeter(5000, &updated), 0u);
    EXPECT_FALSE(updated);

    now += 1;
    EXPECT_EQ(meter.RateMeter(2000, &updated), 12000u);
    EXPECT_TRUE(updated);
}

TEST_F(RateMeterTest, RateCoversEverythingSinceTheRestartAndHoldsWithinTheSecond) {
    meter.Restart();
    meter.RateMeter(1000);
    now += 2;
    bool updated = false;
    EXPECT_EQ(meter.RateMeter(3000, &updated), 2000u);  // 4000 bytes over 2 s
    EXPECT_TRUE(updated);

    // A new interval opens with the next count; the old rate stands for a second.
    EXPECT_EQ(meter.RateMeter(6000, &updated), 2000u);
    EXPECT_FALSE(updated);
    now += 1;
    EXPECT_EQ(meter.RateMeter(2000, &updated), 4000u);  // 12000 bytes over 3 s
    EXPECT_TRUE(updated);
}

TEST_F(RateMeterTest, RestartForgetsBytesAndRate) {
    meter.Restart();
    meter.RateMeter(100000);
    now += 1;
    ASSERT_EQ(meter.RateMeter(1), 100001u);

    EXPECT_EQ(meter.RateMeter(0), 0u);
    bool updated = true;
    EXPECT_EQ(meter.RateMeter(10, &updated), 0u);  // the old rate is gone
    EXPECT_FALSE(updated);
    now += 2;
    EXPECT_EQ(meter.RateMeter(10, &updated), 10u);  // 20 bytes over 2 s
    EXPECT_TRUE(updated);
}

TEST_F(RateMeterTest, IntervalStartsWithTheFirstBytesNotWithTheRestart) {
    meter.Restart();
    now += 10;  // nothing arrived for a while
    bool updated = true;
    EXPECT_EQ(meter.RateMeter(3000, &updated), 0u);
    EXPECT_FALSE(updated);
    now += 2;
    EXPECT_EQ(meter.RateMeter(3000, &updated), 500u);  // 6000 bytes over 12 s
    EXPECT_TRUE(updated);
}

TEST_F(RateMeterTest, ClockSteppingBackNeverDividesByZero) {
    meter.Restart();
    now -= 5;
    meter.RateMeter(700);
    now += 1;  // still before the measurement start
    bool updated = false;
    EXPECT_EQ(meter.RateMeter(300, &updated), 1000u);
    EXPECT_TRUE(updated);
}

TEST(RemainingSecondsTest, DividesRemainingBytesByTheRate) {
    EXPECT_EQ(RemainingSeconds(10000, 3000), 3u);
    EXPECT_EQ(RemainingSeconds(0, 3000), 0u);
    EXPECT_EQ(RemainingSeconds(10000, 0), 0u);
    EXPECT_EQ(RemainingSeconds(1ull << 40, 1024), 1ull << 30);
}

}  // namespace
