#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/tools/KivtoolRun.h"

namespace {

class KivtoolRateTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("LANG", "C", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
    }
};

TEST_F(KivtoolRateTimeTest, PrintsTheRateAndTimeLines) {
    ToolResult result = RunKivtool({"rate-time", "1234", "3725"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "About 1,234KB/sec\nAbout  1 hr  2 min  5 sec\n");
    EXPECT_EQ(RunKivtool({"rate-time", "0", "-3"}).out, "About 0KB/sec\nRecalculating\n");
    EXPECT_EQ(RunKivtool({"rate-time", "5", "0", "--lang", "ja"}).out, "約 5KB / 秒\n約  0秒\n");
}

TEST_F(KivtoolRateTimeTest, FieldsThatWouldNotChangeAreADash) {
    // -1 keeps the time; -2 clears a time (empty line) but a fresh dialog's
    // rate is already empty.
    EXPECT_EQ(RunKivtool({"rate-time", "7", "-1"}).out, "About 7KB/sec\n-\n");
    EXPECT_EQ(RunKivtool({"rate-time", "-2", "-2"}).out, "-\n\n");
}

TEST_F(KivtoolRateTimeTest, BytesPrintsTheCurrentFileBarText) {
    ToolResult result = RunKivtool({"bytes", "800", "2500"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "800 byte(s) / 2,500 byte(s) (32% completed)\n");
    EXPECT_EQ(RunKivtool({"bytes", "1000000", "1000000", "--lang", "ja"}).out,
              "977 KB / 977 KB (100%完了)\n");
    EXPECT_EQ(RunKivtool({"bytes", "5", "0"}).out, "-\n");
}

TEST_F(KivtoolRateTimeTest, MisuseExitsWithTwo) {
    EXPECT_EQ(RunKivtool({"rate-time", "1"}).status, 2);
    EXPECT_EQ(RunKivtool({"rate-time", "1", "x"}).status, 2);
    EXPECT_EQ(RunKivtool({"rate-time", "1", "2", "--lang", "de"}).status, 2);
    EXPECT_EQ(RunKivtool({"bytes", "-1", "10"}).status, 2);
    EXPECT_EQ(RunKivtool({"bytes", "1", "99999999999999999999"}).status, 2);
}

}  // namespace
