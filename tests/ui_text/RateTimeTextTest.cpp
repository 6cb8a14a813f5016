#include <gtest/gtest.h>

#include <climits>

#include "platform/Language.h"
#include "ui/text/RateTimeText.h"

namespace {

using kivui::CRateTimeFields;
using kivui::RateText;
using kivui::TimeText;

class RateTimeTextTest : public ::testing::TestWithParam<win::Language> {
protected:
    void SetUp() override { win::OverrideLanguage(GetParam()); }
    void TearDown() override { win::ResetLanguage(); }
    bool English() const { return GetParam() == win::Language::English; }
    std::string Pick(const char* english, const char* japanese) const {
        return English() ? english : japanese;
    }
};

TEST_P(RateTimeTextTest, RateIsGroupedInThreesWithoutLocaleRules) {
    EXPECT_EQ(RateText(0), Pick("About 0KB/sec", "約 0KB / 秒"));
    EXPECT_EQ(RateText(999), Pick("About 999KB/sec", "約 999KB / 秒"));
    EXPECT_EQ(RateText(1000), Pick("About 1,000KB/sec", "約 1,000KB / 秒"));
    EXPECT_EQ(RateText(1234567), Pick("About 1,234,567KB/sec", "約 1,234,567KB / 秒"));
    // A negative rate other than the clear marker shows its absolute value.
    EXPECT_EQ(RateText(-5), Pick("About 5KB/sec", "約 5KB / 秒"));
    EXPECT_EQ(RateText(LLONG_MIN),
              Pick("About 9,223,372,036,854,775,808KB/sec", "約 9,223,372,036,854,775,808KB / 秒"));
    EXPECT_EQ(RateText(-2), "");
}

TEST_P(RateTimeTextTest, TimeChoosesItsUnitsAtTheHourAndMinuteBoundaries) {
    EXPECT_EQ(TimeText(3725), Pick("About  1 hr  2 min  5 sec", "約  1時間 2分 5秒"));
    EXPECT_EQ(TimeText(3600), Pick("About  1 hr  0 min  0 sec", "約  1時間 0分 0秒"));
    EXPECT_EQ(TimeText(3599), Pick("About 59 min 59 sec", "約 59分59秒"));
    EXPECT_EQ(TimeText(60), Pick("About  1 min  0 sec", "約  1分 0秒"));
    EXPECT_EQ(TimeText(59), Pick("About 59 sec", "約 59秒"));
    EXPECT_EQ(TimeText(5), Pick("About  5 sec", "約  5秒"));
    EXPECT_EQ(TimeText(0), Pick("About  0 sec", "約  0秒"));
    // Hours are not limited to two digits.
    EXPECT_EQ(TimeText(360000 + 61), Pick("About 100 hr  1 min  1 sec", "約 100時間 1分 1秒"));
}

TEST_P(RateTimeTextTest, NegativeSecondsClearRecalculateOrKeep) {
    EXPECT_EQ(TimeText(-2), "");
    EXPECT_EQ(TimeText(-3), Pick("Recalculating", "再計算中"));
    EXPECT_EQ(TimeText(-1), std::nullopt);
    EXPECT_EQ(TimeText(-4), std::nullopt);
    EXPECT_EQ(TimeText(LLONG_MIN), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, RateTimeTextTest,
                         ::testing::Values(win::Language::English, win::Language::Japanese));

class RateTimeFieldsTest : public ::testing::Test {
protected:
    void SetUp() override { win::OverrideLanguage(win::Language::English); }
    void TearDown() override { win::ResetLanguage(); }
    CRateTimeFields fields;
};

TEST_F(RateTimeFieldsTest, RateRedrawsOnlyWhenItsTextChanges) {
    auto changes = fields.Apply(120, 30);
    EXPECT_TRUE(changes.rate);
    EXPECT_TRUE(changes.time);
    EXPECT_EQ(fields.Rate(), "About 120KB/sec");
    EXPECT_EQ(fields.Time(), "About 30 sec");

    // Same rate, no fresh measurement: nothing is redrawn, the time stays.
    changes = fields.Apply(120, -1);
    EXPECT_FALSE(changes.rate);
    EXPECT_FALSE(changes.time);
    EXPECT_EQ(fields.Time(), "About 30 sec");

    // An equal time text is still drawn again.
    changes = fields.Apply(120, 30);
    EXPECT_FALSE(changes.rate);
    EXPECT_TRUE(changes.time);
}

TEST_F(RateTimeFieldsTest, ClearEmptiesBothFieldsAndAFreshDialogHasNothingToClear) {
    auto changes = fields.Apply(-2, -2);
    EXPECT_FALSE(changes.rate) << "the stored rate text is already empty";
    EXPECT_TRUE(changes.time);

    fields.Apply(0, 10);
    changes = fields.Apply(-2, -2);
    EXPECT_TRUE(changes.rate);
    EXPECT_TRUE(changes.time);
    EXPECT_EQ(fields.Rate(), "");
    EXPECT_EQ(fields.Time(), "");
}

}  // namespace
