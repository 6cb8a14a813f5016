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

// A tag carries no phase: every phase the code can come from is shown,
// with what the last error means and what to try.
TEST_F(KivtoolMessageTest, ExplainReadsATagAsPastedFromABox) {
    const ToolResult quoted = RunKivtool({"explain", " [D:301 E:404] "});
    EXPECT_EQ(quoted.status, 0);
    for (const char* line : {"Code 301: HTTP status 404 was returned.",
                             "\nLast error 404: HTTP status 404 was returned.",
                             "\nCan come from:\n  download: File download failed.HTTP status 404 "
                             "was returned. The server may be busy. Please retry later.[D:301 E:404]\n",
                             "\nTry: "}) {
        EXPECT_NE(quoted.out.find(line), std::string::npos) << line << "\n" << quoted.out;
    }
    EXPECT_EQ(RunKivtool({"explain", "[D:301", "E:404]"}).out, quoted.out);  // pasted unquoted
    const ToolResult system = RunKivtool({"explain", "D:100 E:0x5"});
    EXPECT_NE(system.out.find("Last error 5: Access is denied."), std::string::npos) << system.out;
    EXPECT_NE(system.out.find("  verification: "), std::string::npos) << system.out;
    EXPECT_EQ(RunKivtool({"explain", "[D:7]"}).status, 1);  // no code of the program
    for (const char* bad : {"[D:301 E:404", "D:", "E:404", "[D:301 E:404] x", "D:0x1FFFFFFFF"}) {
        EXPECT_EQ(RunKivtool({"explain", bad}).status, 2) << bad;
    }
}

}  // namespace
