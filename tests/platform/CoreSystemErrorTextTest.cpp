#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/CodePage.h"
#include "platform/ErrorTextTable.h"
#include "platform/Language.h"
#include "platform/SystemErrorText.h"
#include "tests/platform/CoreTestSupport.h"

namespace {

using coretest::ScopedCodePage;
using coretest::ScopedEnv;
using coretest::ScopedLanguage;
using win::Language;

// The codes the control reports with a system text, and the internet errors
// it can meet.
constexpr win::DWORD kRequiredCodes[] = {
    2,     3,     4,     5,     6,     8,     13,    14,    17,    19,    21,    29,    30,
    31,    32,    33,    39,    80,    87,    109,   112,   122,   123,   145,   170,   183,
    206,   223,   1117,  1223,  1460,  1921,  12001, 12002, 12004, 12005, 12006, 12007, 12017,
    12029, 12030, 12031, 12032, 12037, 12038, 12044, 12045, 12152, 12157, 12175};

TEST(CoreSystemErrorText, GivesWindowsEnglishWordingWithLineBreak) {
    ScopedLanguage english(Language::English);
    EXPECT_EQ(win::FormatSystemMessage(5), "Access is denied.\r\n");
    EXPECT_EQ(win::FormatSystemMessage(112), "There is not enough space on the disk.\r\n");
    EXPECT_EQ(win::FormatSystemMessage(12029),
              "A connection with the server could not be established\r\n");
}

TEST(CoreSystemErrorText, GivesJapaneseInTheProcessCodePage) {
    ScopedLanguage japanese(Language::Japanese);
    const std::string utf8 = "アクセスが拒否されました。\r\n";
    {
        ScopedCodePage page(win::CP_UTF8);
        EXPECT_EQ(win::FormatSystemMessage(5), utf8);
    }
    ScopedCodePage page(win::CP_SHIFT_JIS);
    std::string text = win::FormatSystemMessage(5);
    EXPECT_TRUE(text.starts_with("\x83\x41\x83\x4E\x83\x5A\x83\x58"))
        << text;  // katakana "akusesu"
    std::string back;
    ASSERT_TRUE(win::ProcessToUtf8(text, back));
    EXPECT_EQ(back, utf8);
}

TEST(CoreSystemErrorText, UnknownCodeGivesEmptyText) {
    for (Language language : {Language::English, Language::Japanese}) {
        ScopedLanguage scope(language);
        EXPECT_EQ(win::FormatSystemMessage(7), "");
        EXPECT_EQ(win::FormatSystemMessage(12000), "");
        EXPECT_EQ(win::FormatSystemMessage(0x80004005u), "");
    }
}

TEST(CoreSystemErrorText, CoversEveryRequiredCodeInBothLanguages) {
    for (win::DWORD code : kRequiredCodes) {
        for (Language language : {Language::English, Language::Japanese}) {
            ScopedLanguage scope(language);
            std::string text = win::FormatSystemMessage(code);
            EXPECT_GT(text.size(), 4u) << code;
            EXPECT_TRUE(text.ends_with("\r\n")) << code;
            EXPECT_FALSE(text.ends_with("\r\n\r\n")) << code;
        }
        ScopedLanguage english(Language::English);
        std::string english_text = win::FormatSystemMessage(code);
        ScopedLanguage japanese(Language::Japanese);
        EXPECT_NE(win::FormatSystemMessage(code), english_text) << code;
    }
}

TEST(CoreSystemErrorText, TablesHaveUniqueCodesAndShiftJisForms) {
    std::set<win::DWORD> seen;
    ScopedCodePage page(win::CP_SHIFT_JIS);
    for (auto table : {win::SystemErrorTexts(), win::InternetErrorTexts()}) {
        for (const win::ErrorText& entry : table) {
            EXPECT_TRUE(seen.insert(entry.code).second) << "duplicate " << entry.code;
            std::string sjis;
            EXPECT_TRUE(win::Utf8ToProcess(entry.japanese, sjis)) << entry.code;
        }
    }
    for (const win::ErrorText& entry : win::InternetErrorTexts()) {
        EXPECT_GE(entry.code, 12001u);
        EXPECT_LE(entry.code, 12175u);
    }
}

class CoreLanguage : public ::testing::Test {
protected:
    ScopedEnv all_{"LC_ALL", nullptr};
    ScopedEnv messages_{"LC_MESSAGES", nullptr};
    ScopedEnv lang_{"LANG", nullptr};
};

TEST_F(CoreLanguage, FirstNonEmptyVariableDecidesUntilOverridden) {
    EXPECT_EQ(win::UserLanguage(), Language::English);
    ScopedEnv all("LC_ALL", "");
    ScopedEnv messages("LC_MESSAGES", "ja_JP.SJIS");
    ScopedEnv lang("LANG", "en_US.UTF-8");
    EXPECT_EQ(win::UserLanguage(), Language::Japanese);
    {
        ScopedEnv c("LC_ALL", "C");
        EXPECT_EQ(win::UserLanguage(), Language::English);
    }
    win::OverrideLanguage(Language::English);
    EXPECT_EQ(win::UserLanguage(), Language::English);
    win::ResetLanguage();
    EXPECT_EQ(win::UserLanguage(), Language::Japanese);
}

}  // namespace
