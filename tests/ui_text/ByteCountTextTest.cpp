#include <gtest/gtest.h>

#include <cstdint>

#include "platform/Language.h"
#include "ui/text/ByteCountText.h"
#include "ui/text/KBSize.h"

namespace {

using kivui::FormatCurrentFile;
using kivui::StrFormatKBSize;

TEST(KBSizeTest, RoundsUpAndGroupsByComma) {
    EXPECT_EQ(StrFormatKBSize(0), "0 KB");
    EXPECT_EQ(StrFormatKBSize(1), "1 KB");
    EXPECT_EQ(StrFormatKBSize(1024), "1 KB");
    EXPECT_EQ(StrFormatKBSize(1025), "2 KB");
    EXPECT_EQ(StrFormatKBSize(1000000), "977 KB");
    EXPECT_EQ(StrFormatKBSize(1024ull * 1000), "1,000 KB");
    EXPECT_EQ(StrFormatKBSize(1024ull * 1234567 - 1), "1,234,567 KB");
}

TEST(KBSizeTest, TheLargestSizeNeitherWrapsNorOutgrowsTheBuffer) {
    const std::string text = StrFormatKBSize(UINT64_MAX);
    EXPECT_EQ(text, "18,014,398,509,481,984 KB");
    EXPECT_LE(text.size(), 31u);
}

class ByteCountTextTest : public ::testing::TestWithParam<win::Language> {
protected:
    void SetUp() override { win::OverrideLanguage(GetParam()); }
    void TearDown() override { win::ResetLanguage(); }
    std::string Pick(const char* english, const char* japanese) const {
        return GetParam() == win::Language::English ? english : japanese;
    }
    static std::string Text(win::ULONGLONG done, win::ULONGLONG total) {
        const auto result = FormatCurrentFile(done, total);
        return result ? result->text : "<none>";
    }
};

TEST_P(ByteCountTextTest, TotalBelowOneThousandCountsPlainBytes) {
    EXPECT_EQ(Text(0, 1),
              Pick("0 byte(s) / 1 byte(s) (0% completed)", "0 バイト / 1 バイト (0%完了)"));
    EXPECT_EQ(Text(999, 999), Pick("999 byte(s) / 999 byte(s) (100% completed)",
                                   "999 バイト / 999 バイト (100%完了)"));
}

TEST_P(ByteCountTextTest, TotalInThousandsGroupsWithThreeDigitRemainder) {
    EXPECT_EQ(Text(800, 2500), Pick("800 byte(s) / 2,500 byte(s) (32% completed)",
                                    "800 バイト / 2,500 バイト (32%完了)"));
    EXPECT_EQ(Text(999, 999999), Pick("999 byte(s) / 999,999 byte(s) (0% completed)",
                                      "999 バイト / 999,999 バイト (0%完了)"));
    EXPECT_EQ(Text(1005, 1000), Pick("1,005 byte(s) / 1,000 byte(s) (100% completed)",
                                     "1,005 バイト / 1,000 バイト (100%完了)"));
    EXPECT_EQ(Text(1000, 1000), Pick("1,000 byte(s) / 1,000 byte(s) (100% completed)",
                                     "1,000 バイト / 1,000 バイト (100%完了)"));
}

TEST_P(ByteCountTextTest, FromOneMillionBothCountsAreKilobytes) {
    EXPECT_EQ(Text(1, 1000000), Pick("1 KB / 977 KB (0% completed)", "1 KB / 977 KB (0%完了)"));
    EXPECT_EQ(Text(500000, 1000000),
              Pick("489 KB / 977 KB (50% completed)", "489 KB / 977 KB (50%完了)"));
    EXPECT_EQ(Text(5000000000ull, 10000000000ull),
              Pick("4,882,813 KB / 9,765,625 KB (50% completed)",
                   "4,882,813 KB / 9,765,625 KB (50%完了)"));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, ByteCountTextTest,
                         ::testing::Values(win::Language::English, win::Language::Japanese));

TEST(CurrentFileTest, NoTotalNoChange) {
    EXPECT_FALSE(FormatCurrentFile(0, 0).has_value());
    EXPECT_FALSE(FormatCurrentFile(12345, 0).has_value());
}

TEST(CurrentFileTest, PercentIsTruncatedAndCompleteOnlyAtTheTotal) {
    auto result = FormatCurrentFile(2, 3);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->percent, 66);
    EXPECT_FALSE(result->complete);
    result = FormatCurrentFile(3, 3);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->percent, 100);
    EXPECT_TRUE(result->complete);
}

TEST(CurrentFileTest, HugeCountsDoNotWrapThePercentage) {
    // done x 100 exceeds 64 bits here.
    const win::ULONGLONG total = UINT64_MAX;
    const auto result = FormatCurrentFile(total / 2, total);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->percent, 49);
}

}  // namespace
