#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/tools/KivtoolRun.h"

namespace {

// The language comes from the options or, without them, from the environment.
class KivtoolMessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("LANG", "C", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
    }
};

TEST_F(KivtoolMessageTest, PrintsTheComposedTextAndOneLineBreak) {
    const ToolResult result =
        RunKivtool({"message", "--phase", "2", "--code", "300", "--last-error", "12029"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "File download failed.Could not connect to the server. Confirm that your computer "
              "is correctly connected to the Internet.[D:300 E:12029]\n");
}

TEST_F(KivtoolMessageTest, LastErrorInHexOrNegativeDecimalIsAnHresult) {
    const std::string expected =
        "Initialization of Kiv Downloader failed.Cannot connect the event.[D:17 E:0x80004005]\n";
    EXPECT_EQ(
        RunKivtool({"message", "--phase", "0", "--code", "17", "--last-error", "0x80004005"}).out,
        expected);
    EXPECT_EQ(
        RunKivtool({"message", "--phase", "0", "--code", "17", "--last-error", "-2147467259"}).out,
        expected);
}

TEST_F(KivtoolMessageTest, DetailAndBrokenFiles) {
    EXPECT_EQ(RunKivtool({"message", "--phase", "0", "--code", "200", "--detail", "curl2"}).out,
              "Parameter curl2 has not been specified, or is not a correct value.[D:200]\n");
    EXPECT_EQ(
        RunKivtool(
            {"message", "--phase", "3", "--code", "500", "--broken", "a.zip", "--broken", "b.zip"})
            .out,
        "The following files are corrupted. Download them again.[D:500]\n\n\ta.zip\n\tb.zip\n");
}

TEST_F(KivtoolMessageTest, JapaneseByOptionOrEnvironment) {
    const std::string expected = "ファイルのダウンロードに失敗しました。[D:501]\n";
    EXPECT_EQ(RunKivtool({"message", "--phase", "2", "--code", "501", "--lang", "ja"}).out,
              expected);
    ::setenv("LANG", "ja_JP.UTF-8", 1);
    EXPECT_EQ(RunKivtool({"message", "--phase", "2", "--code", "501"}).out, expected);
    EXPECT_EQ(RunKivtool({"message", "--phase", "2", "--code", "501", "--lang", "en"}).out,
              "File download failed.[D:501]\n");
}

TEST_F(KivtoolMessageTest, CancelShowsNothingAndExitsWithOne) {
    const ToolResult result = RunKivtool({"message", "--phase", "2", "--code", "1"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(RunKivtool({"message", "--phase", "0", "--code", "0"}).status, 1);
}

TEST_F(KivtoolMessageTest, MisuseExitsWithTwo) {
    const std::vector<std::vector<std::string>> misuses = {
        {"message"},
        {"message", "--code", "300"},
        {"message", "--phase", "2"},
        {"message", "--phase", "x", "--code", "300"},
        {"message", "--phase", "2", "--code", "300", "--last-error", "0x1FFFFFFFF"},
        {"message", "--phase", "2", "--code", "300", "--last-error", "12abc"},
        {"message", "--phase", "2", "--code", "300", "--lang", "fr"},
    };
    for (const auto& args : misuses) {
        const ToolResult result = RunKivtool(args);
        EXPECT_EQ(result.status, 2) << args.size();
        EXPECT_EQ(result.out, "");
    }
}

}  // namespace
