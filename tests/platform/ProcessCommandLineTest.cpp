#include <gtest/gtest.h>

#include "CoreTestSupport.h"
#include "platform/Process.h"

namespace {

using Words = std::vector<std::string>;

TEST(ProcessCommandLineTest, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ(win::SplitCommandLine(""), Words{});
    EXPECT_EQ(win::SplitCommandLine("a b\t\tc  "), (Words{"a", "b", "c"}));
    EXPECT_EQ(win::SplitCommandLine(R"(p "a b" c)"), (Words{"p", "a b", "c"}));
    EXPECT_EQ(win::SplitCommandLine(R"(p ab"c d"e)"), (Words{"p", "abc de"}));
    EXPECT_EQ(win::SplitCommandLine(R"(p "" x)"), (Words{"p", "", "x"}));
    EXPECT_EQ(win::SplitCommandLine(R"(p "open ended)"), (Words{"p", "open ended"}));
}

TEST(ProcessCommandLineTest, BackslashesEscapeOnlyBeforeAQuote) {
    EXPECT_EQ(win::SplitCommandLine(R"(p a\b a\\b)"), (Words{"p", R"(a\b)", R"(a\\b)"}));
    EXPECT_EQ(win::SplitCommandLine(R"(p a\"b)"), (Words{"p", R"(a"b)"}));
    EXPECT_EQ(win::SplitCommandLine(R"(p a\\\"b)"), (Words{"p", R"(a\"b)"}));
    EXPECT_EQ(win::SplitCommandLine(R"(p "C:\dir\\" next)"), (Words{"p", R"(C:\dir\)", "next"}));
    EXPECT_EQ(win::SplitCommandLine(R"(p "a""b" c)"), (Words{"p", R"(a"b)", "c"}));
}

TEST(ProcessCommandLineTest, ProgramWordTakesBackslashesLiterally) {
    EXPECT_EQ(win::SplitCommandLine(R"("Z:\dir with\" x)"), (Words{R"(Z:\dir with\)", "x"}));
    EXPECT_EQ(win::SplitCommandLine(R"("Z:\a b\kiv.exe")"), (Words{R"(Z:\a b\kiv.exe)"}));
    EXPECT_EQ(win::SplitCommandLine(R"(Z:\a\"b c" d)"), (Words{R"(Z:\a\b c)", "d"}));
}

TEST(ProcessCommandLineTest, ShiftJisTrailByteIsNotABackslash) {
    coretest::ScopedCodePage shiftJis(win::CP_SHIFT_JIS);
    // 0x95 0x5C is one character whose second byte has the backslash's code.
    const std::string table = "\x95\x5C";
    EXPECT_EQ(win::SplitCommandLine("p \"" + table + "\" x"), (Words{"p", table, "x"}));
    EXPECT_EQ(win::SplitCommandLine("\"Z:\\" + table + "\" x"), (Words{"Z:\\" + table, "x"}));
}

}  // namespace
