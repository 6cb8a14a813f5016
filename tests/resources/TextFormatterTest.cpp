// The formatter against printf's results for the forms the texts use, and
// against the inputs printf would misread.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "platform/CodePage.h"
#include "resources/StringTable.h"

namespace {

using res::FormatText;

TEST(TextFormatter, SixtyFourBitValuesKeepEveryBit) {
    EXPECT_EQ(FormatText("%I64d", {4294967297LL}), "4294967297");
    EXPECT_EQ(FormatText("%I64u", {ULLONG_MAX}), "18446744073709551615");
    EXPECT_EQ(FormatText("%I64d", {LLONG_MIN}), "-9223372036854775808");
    EXPECT_EQ(FormatText("%lld/%ld", {5000000000LL, -7LL}), "5000000000/-7");
    EXPECT_EQ(FormatText("%I64d,%03d", {4294967296ULL, 9ULL}), "4294967296,009");
}

TEST(TextFormatter, WidthZeroPadAndAlignment) {
    EXPECT_EQ(FormatText("%03d|%03d|%03d|%03d", {5LL, 42LL, 1234LL, -5LL}), "005|042|1234|-05");
    EXPECT_EQ(FormatText("%2d|%2d|%2d", {5LL, 12LL, 123LL}), " 5|12|123");
    EXPECT_EQ(FormatText("%-4d|%4s|%-4s|", {7LL, "ab", "ab"}), "7   |  ab|ab  |");
    EXPECT_EQ(FormatText("%+d % d %.3d %.0d|", {3LL, 3LL, 7LL, 0LL}), "+3  3 007 |");
    EXPECT_EQ(FormatText("%-03d|%05.2d", {4LL, 4LL}), "4  |   04");
}

TEST(TextFormatter, PercentSignsTakeNoArgument) {
    EXPECT_EQ(FormatText("%d%%", {32LL}), "32%");
    EXPECT_EQ(FormatText("%%%d%%", {7LL}), "%7%");
    EXPECT_EQ(FormatText("100%", {}), "100%");
}

TEST(TextFormatter, HexAndUnsignedShowThirtyTwoBitPatterns) {
    EXPECT_EQ(FormatText(" E:0x%08X", {-2147467259LL}), " E:0x80004005");
    EXPECT_EQ(FormatText("%08X|%x|%#x|%u", {0x1FLL, 255LL, 255LL, -1LL}),
              "0000001F|ff|0xff|4294967295");
    EXPECT_EQ(FormatText("%I64X", {-1LL}), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(FormatText("%#x", {0LL}), "0");
}

TEST(TextFormatter, ArgumentsOfEveryIntegerAndTextType) {
    const std::uint32_t hresult = 0x80004005u;
    const std::int32_t negative = -2147467259;
    const std::size_t size = 5000000000u;
    const char* none = nullptr;
    EXPECT_EQ(FormatText("%08X %08X %d %I64u", {hresult, negative, negative, size}),
              "80004005 80004005 -2147467259 5000000000");
    EXPECT_EQ(FormatText("[%s][%s][%s]", {std::string_view("v"), std::string("s"), none}),
              "[v][s][]");
}

TEST(TextFormatter, MissingArgumentsFormatAsEmptyOrZero) {
    EXPECT_EQ(FormatText("[%s][%d][%2d][%03d]", {}), "[][0][ 0][000]");
    EXPECT_EQ(FormatText("%s=%d", {"a"}), "a=0");
    EXPECT_EQ(FormatText("%s", {"a", "unused"}), "a");
}

TEST(TextFormatter, MistypedArgumentsFormatAsEmptyOrZero) {
    EXPECT_EQ(FormatText("%d|%s|%d", {"12", 5LL, 6LL}), "0||6");
    EXPECT_EQ(FormatText("%5s|", {9ULL}), "     |");
}

// Conversions that would make printf read or write memory it was not given
// are copied as text and consume no argument.
TEST(TextFormatter, UnsupportedConversionsAreCopiedLiterally) {
    EXPECT_EQ(FormatText("%n%d", {5LL}), "%n5");
    EXPECT_EQ(FormatText("%*d|%d", {3LL}), "%*d|3");
    EXPECT_EQ(FormatText("%p %q %", {}), "%p %q %");
    EXPECT_EQ(FormatText("%99999d%d", {1LL}), "%99999d1");
    EXPECT_EQ(FormatText("%I64", {1LL}), "%I64");
}

TEST(TextFormatter, TextIsNeverCutInsideACharacter) {
    EXPECT_EQ(FormatText("%.4s|", {"全般"}), "全|");  // three UTF-8 bytes each
    ASSERT_TRUE(win::SetProcessCodePage(win::CP_SHIFT_JIS));
    EXPECT_EQ(FormatText("%.3s|", {"\x83\x41\x83\x43"}), "\x83\x41|");
    EXPECT_EQ(FormatText("\x95\x5C%s", {"x"}), "\x95\x5Cx");  // trail byte 0x5C stays as is
    win::SetProcessCodePage(win::CP_UTF8);
}

}  // namespace
