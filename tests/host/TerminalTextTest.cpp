// Texts on the terminal: columns of wide characters, cutting without breaking
// a character, and the process code page on its way out and in.
#include <gtest/gtest.h>

#include "frontends/terminal/TerminalText.h"
#include "platform/CodePage.h"
#include "tests/env/EnvTestHelpers.h"

namespace {

using kivterm::DisplayWidth;
using kivterm::FitToWidth;

TEST(TerminalTextTest, WideCharactersTakeTwoColumnsAndAreNeverCutInHalf) {
    const std::string japanese = "全体の進捗";  // five wide characters
    EXPECT_EQ(DisplayWidth(japanese), 10u);
    EXPECT_EQ(DisplayWidth("Overall progress"), 16u);
    EXPECT_EQ(DisplayWidth("a\x1b"), 1u);  // control characters take no column

    EXPECT_EQ(FitToWidth(japanese, 5), "全体");  // the third would need columns 5 and 6
    EXPECT_EQ(FitToWidth("abc全体", 4), "abc");
    EXPECT_EQ(FitToWidth("short", 80), "short");
    // A malformed byte counts as one column and is kept whole.
    EXPECT_EQ(DisplayWidth("\xff"
                           "ab"),
              3u);
    EXPECT_EQ(FitToWidth("\xff"
                         "ab",
                         2),
              "\xff"
              "a");
}

TEST(TerminalTextTest, ShiftJisTextsReachTheTerminalAsUtf8AndBack) {
    envtest::ScopedCodePage shiftJisProcess(win::CP_SHIFT_JIS);
    const std::string shiftJis = "\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b";  // キャンセル
    EXPECT_EQ(kivterm::ToTerminal(shiftJis), "キャンセル");
    std::string back;
    EXPECT_TRUE(kivterm::FromTerminal("キャンセル", back));
    EXPECT_EQ(back, shiftJis);
    // A byte that is no character costs only itself.
    EXPECT_EQ(kivterm::ToTerminal("a\x80z"), "a?z");
    EXPECT_FALSE(kivterm::FromTerminal("\xF0\x9F\x98\x80", back));  // no Shift-JIS emoji
}

// C1 controls act on the terminal (U+009B is CSI); bidirectional overrides
// and other format characters reorder or hide what the user reads.
TEST(TerminalTextTest, InvisibleCharactersAreShownEscaped) {
    using kivterm::Layout;
    using kivterm::VisibleControls;
    EXPECT_EQ(VisibleControls("invoice\u202Enib.exe\u009b2J\u009d0;t\u0007", Layout::Shown),
              "invoice\\u202enib.exe\\u009b2J\\u009d0;t\\x07");
    EXPECT_EQ(VisibleControls("a\u2066b\u2069c\u200Bd\uFEFFe\U000E0041", Layout::Shown),
              "a\\u2066b\\u2069c\\u200bd\\ufeffe\\U000e0041");
    // Visible text of every script stays as it is, marks and emoji too.
    for (const char* text : {"\u00A0\u00E9t\u00E9", "\u0645\u0631\u062D\u0628\u0627", "e\u0301",
                             "\u00A1\u00BF", "\U0001F600", "\u2028"}) {
        EXPECT_EQ(VisibleControls(text, Layout::Shown), text) << text;
    }
}

}  // namespace
