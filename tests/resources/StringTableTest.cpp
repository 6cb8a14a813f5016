// Loading by id in the user's language and code page, and the table's texts
// filled the way the dialog and the error report fill them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/CodePage.h"
#include "platform/Language.h"
#include "resources/StringTable.h"

namespace {

using res::FormatString;
using res::LoadString;
using win::Language;

class StringTableTest : public ::testing::Test {
protected:
    void TearDown() override {
        win::ResetLanguage();
        win::SetProcessCodePage(win::CP_UTF8);
    }
};

TEST_F(StringTableTest, IdsOutsideTheTableGiveEmptyText) {
    for (const unsigned id : {0u, 3u, 46u, 109u, 237u, 248u, 299u, 65535u, 0xFFFFFFFFu}) {
        EXPECT_EQ(res::LoadStringUtf8(id, Language::English), "") << id;
        EXPECT_EQ(res::LoadStringUtf8(id, Language::Japanese), "") << id;
        EXPECT_EQ(LoadString(id, Language::Japanese), "") << id;
    }
}

TEST_F(StringTableTest, LoadFollowsTheUserLanguage) {
    win::OverrideLanguage(Language::Japanese);
    EXPECT_EQ(LoadString(111), "キャンセル");
    win::OverrideLanguage(Language::English);
    EXPECT_EQ(LoadString(111), "Cancel");
}

TEST_F(StringTableTest, LoadFollowsTheLocaleEnvironment) {
    const char* saved = std::getenv("LC_ALL");
    const std::optional<std::string> previous =
        saved ? std::optional<std::string>(saved) : std::nullopt;
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    win::ResetLanguage();
    EXPECT_EQ(LoadString(32), "ダウンロードはキャンセルされました。");
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(LoadString(32), "Download has been cancelled.");
    previous ? setenv("LC_ALL", previous->c_str(), 1) : unsetenv("LC_ALL");
}

TEST_F(StringTableTest, TextsArriveInTheProcessCodePage) {
    ASSERT_TRUE(win::SetProcessCodePage(win::CP_SHIFT_JIS));
    EXPECT_EQ(LoadString(200, Language::Japanese), "\x91\x53\x94\xCA");  // 全般
    EXPECT_EQ(res::LoadStringUtf8(200, Language::Japanese), "全般");
    EXPECT_EQ(LoadString(1, Language::Japanese), "Kiv Downloader");
}

TEST_F(StringTableTest, LeaveQuestionSaysProcessingIn) {
    win::OverrideLanguage(Language::English);
    EXPECT_EQ(FormatString(45, {"Kiv Downloader"}),
              "If you continue, processing in Kiv Downloader will be terminated.");
}

// The rate text gets only the number: English has no blank before KB,
// Japanese separates "KB / 秒".
TEST_F(StringTableTest, RateTextInBothLanguages) {
    win::OverrideLanguage(Language::English);
    EXPECT_EQ(FormatString(36, {"1,234,567"}), "About 1,234,567KB/sec");
    win::OverrideLanguage(Language::Japanese);
    EXPECT_EQ(FormatString(36, {"0"}), "約 0KB / 秒");
}

TEST_F(StringTableTest, TimeTextsPadToTwoCharacters) {
    win::OverrideLanguage(Language::English);
    EXPECT_EQ(FormatString(37, {1LL, 2LL, 5LL}), "About  1 hr  2 min  5 sec");
    EXPECT_EQ(FormatString(54, {1LL, 0LL}), "About  1 min  0 sec");
    EXPECT_EQ(FormatString(64, {0LL}), "About  0 sec");
    win::OverrideLanguage(Language::Japanese);
    EXPECT_EQ(FormatString(37, {10LL, 2LL, 59LL}), "約 10時間 2分59秒");
}

TEST_F(StringTableTest, ByteCountTextOfTheCurrentFileBar) {
    win::OverrideLanguage(Language::English);
    const std::string bar = FormatString(28, {800ULL}) + " / " + FormatString(27, {2ULL, 500ULL}) +
                            FormatString(48, {32LL});
    EXPECT_EQ(bar, "800 byte(s) / 2,500 byte(s) (32% completed)");
    EXPECT_EQ(FormatString(27, {999ULL, 7ULL}), "999,007 byte(s)");
    EXPECT_EQ(FormatString(28, {5000000000ULL}), "5000000000 byte(s)");
    win::OverrideLanguage(Language::Japanese);
    EXPECT_EQ(FormatString(27, {4294967296ULL, 5ULL}), "4294967296,005 バイト");
    EXPECT_EQ(FormatString(48, {100LL}), " (100%完了)");
}

TEST_F(StringTableTest, AlreadyRunningQuestionNamesTheCaptionTwice) {
    win::OverrideLanguage(Language::Japanese);
    EXPECT_EQ(FormatString(22, {"Pg", "Pg"}),
              "Pg は既に起動しています。\n\n続行するには、起動済みの Pg "
              "が終了してから再試行を選択してください。");
}

}  // namespace
