#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/tools/KivtoolRun.h"

namespace fs = std::filesystem;

namespace {

// Every test runs the tool with its own XDG folders, so nothing of the user's is touched.
class KivtoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kivtool-test.XXXXXX";
        root_ = ::mkdtemp(pattern);
        for (const char* var : {"XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
            const fs::path dir = root_ / var;
            fs::create_directories(dir);
            ::setenv(var, dir.c_str(), 1);
        }
        ::setenv("LANG", "C", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
    }
    void TearDown() override { fs::remove_all(root_); }

    static std::string ReadFile(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path root_;
};

TEST_F(KivtoolTest, NameChecksAnswerTrueOrFalseWithStatusZero) {
    EXPECT_EQ(RunKivtool({"valid-name", "report.pdf"}).out, "true\n");
    const ToolResult reserved = RunKivtool({"valid-name", "Con.txt"});
    EXPECT_EQ(reserved.out, "false\n");
    EXPECT_EQ(reserved.status, 0);
    EXPECT_EQ(RunKivtool({"valid-path", "C:\\a?b"}).out, "false\n");
    EXPECT_EQ(RunKivtool({"valid-path", "\\\\server\\share\\f.bin"}).out, "true\n");
    EXPECT_EQ(RunKivtool({"upper-hex", "0a1b"}).out, "false\n");
    EXPECT_EQ(RunKivtool({"upper-hex", "0A1B"}).out, "true\n");
}

TEST_F(KivtoolTest, CodePage932KeepsTrailByteBackslashInsideTheCharacter) {
    // 0x83 0x5C is one Shift-JIS character; in UTF-8 the 0x5C is a backslash.
    EXPECT_EQ(RunKivtool({"valid-name", "835C2E747874", "--hex", "--codepage", "932"}).out,
              "true\n");
    EXPECT_EQ(RunKivtool({"valid-name", "835C2E747874", "--hex"}).out, "false\n");
}

TEST_F(KivtoolTest, HelpSaysWhatEachCommandIsForAndVersionAnswers) {
    const ToolResult help = RunKivtool({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"explain", "message", "record list", "record set", "record remove",
                                "paths", "probe", "digest", "setting", "string", "rate-time",
                                "bytes", "valid-name", "valid-path", "upper-hex", "csv-fields"}) {
        const std::size_t at = help.out.find(std::string("\n  ") + command + " ");
        ASSERT_NE(at, std::string::npos) << command;
        // The description follows on the line, or on the next one, indented.
        const std::size_t end = help.out.find('\n', at + 1);
        const std::string line = help.out.substr(at + 1, end - at - 1);
        EXPECT_TRUE(line.find("  ", 2) != std::string::npos ||
                    help.out.compare(end + 1, 6, "      ") == 0)
            << "no description: " << line;
    }
    const ToolResult version = RunKivtool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.starts_with("kivtool ") && version.out.ends_with("\n")) << version.out;
}

TEST_F(KivtoolTest, MisuseExitsWithTwo) {
    EXPECT_EQ(RunKivtool({}).status, 2);
    EXPECT_EQ(RunKivtool({"no-such-command"}).status, 2);
    EXPECT_EQ(RunKivtool({"valid-name"}).status, 2);
    EXPECT_EQ(RunKivtool({"valid-name", "zz", "--hex"}).status, 2);
    EXPECT_EQ(RunKivtool({"record", "set", "only-three", "args"}).status, 2);
    EXPECT_EQ(RunKivtool({"string", "abc"}).status, 2);
}

TEST_F(KivtoolTest, CsvFieldsPrintsJsonOrRefuses) {
    const ToolResult quoted = RunKivtool({"csv-fields", "\"a,b\",c"});
    EXPECT_EQ(quoted.status, 0);
    EXPECT_EQ(quoted.out, "[\"a,b\",\"c\"]\n");
    EXPECT_EQ(RunKivtool({"csv-fields", "\"x\"\"y\""}).out, "[\"x\\\"y\"]\n");
    EXPECT_EQ(RunKivtool({"csv-fields", "   "}).status, 1);
}

TEST_F(KivtoolTest, RecordSetWritesTheRowBytesAndListReadsThemBack) {
    const fs::path file = root_ / "records.dat";
    ASSERT_EQ(RunKivtool({"record", "set", file.string(), "K", "C:\\d\\a.bin",
                          "Wed, 01 Jul 2015 00:00:00 GMT", "0"})
                  .status,
              0);
    EXPECT_EQ(ReadFile(file),
              "\"K\",\" C:\\d\\a.bin\",\" Wed, 01 Jul 2015 00:00:00 GMT\", \" 0\"\r\n");

    const ToolResult listed = RunKivtool({"record", "list", file.string()});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out,
              "{\"key\":\"K\",\"path\":\"C:\\\\d\\\\a.bin\",\"text\":\"Wed, 01 Jul 2015 00:00:00 "
              "GMT\",\"number\":0}\n");

    ASSERT_EQ(RunKivtool({"record", "remove", file.string(), "K"}).status, 0);
    EXPECT_EQ(RunKivtool({"record", "list", file.string()}).out, "");
}

TEST_F(KivtoolTest, RecordListRefusesMissingAndMalformedFiles) {
    EXPECT_EQ(RunKivtool({"record", "list", (root_ / "absent.dat").string()}).status, 1);
    const fs::path bad = root_ / "bad.dat";
    const std::string damaged = "\"K\",\" P\",\" T\", \" 0\"\r\n\"a\",\"b\",\"c\"\r\n";
    std::ofstream(bad, std::ios::binary) << damaged;
    const ToolResult listed = RunKivtool({"record", "list", bad.string()});
    EXPECT_EQ(listed.status, 1);
    EXPECT_EQ(listed.out, "{\"key\":\"K\",\"path\":\"P\",\"text\":\"T\",\"number\":0}\n");
    // A listing changes nothing; a change, as a run does, keeps it aside and starts afresh.
    EXPECT_EQ(ReadFile(bad), damaged);
    EXPECT_FALSE(fs::exists(root_ / "bad.dat.bad"));
    EXPECT_EQ(RunKivtool({"record", "set", bad.string(), "K", "P", "T", "0"}).status, 0);
    EXPECT_EQ(ReadFile(root_ / "bad.dat.bad"), damaged);
    EXPECT_EQ(ReadFile(bad), "\"K\",\" P\",\" T\", \" 0\"\r\n");
}

TEST_F(KivtoolTest, RecordListDefaultsToTheProductsRecordFile) {
    const ToolResult paths = RunKivtool({"paths"});
    ASSERT_EQ(paths.status, 0);
    const std::string native =
        (root_ / "XDG_STATE_HOME" / "Velmo Co.,Ltd." / "Kiv Downloader" / "Kiv Downloader.dat")
            .string();
    EXPECT_NE(paths.out.find("version-file\t"), std::string::npos);
    EXPECT_NE(paths.out.find("\t" + native + "\n"), std::string::npos) << paths.out;
    EXPECT_NE(paths.out.find("low-temp-folder\t"), std::string::npos);
    EXPECT_NE(paths.out.find("settings-store\t"), std::string::npos);

    ASSERT_EQ(RunKivtool({"record", "set", native, "K", "P", "T", "7"}).status, 0);
    EXPECT_EQ(RunKivtool({"record", "list"}).out,
              "{\"key\":\"K\",\"path\":\"P\",\"text\":\"T\",\"number\":7}\n");
}

TEST_F(KivtoolTest, SettingsRoundTripAndTypeChecks) {
    EXPECT_EQ(RunKivtool({"setting", "get-string", "TemporaryFilesPath"}).status, 1);
    ASSERT_EQ(RunKivtool({"setting", "set-string", "TemporaryFilesPath", "Z:\\tmp\\x"}).status, 0);
    EXPECT_EQ(RunKivtool({"setting", "get-string", "TemporaryFilesPath"}).out, "Z:\\tmp\\x\n");

    ASSERT_EQ(RunKivtool({"setting", "set-binary", "DownloadedFilesPath", "0A0B0000"}).status, 0);
    EXPECT_EQ(RunKivtool({"setting", "get-binary", "DownloadedFilesPath"}).out, "0A0B0000\n");

    // Each value keeps its type: a string is not read as binary, nor binary as a string.
    EXPECT_EQ(RunKivtool({"setting", "get-binary", "TemporaryFilesPath"}).status, 1);
    EXPECT_EQ(RunKivtool({"setting", "get-string", "DownloadedFilesPath"}).status, 1);
}

TEST_F(KivtoolTest, StringTableInBothLanguages) {
    EXPECT_EQ(RunKivtool({"string", "1"}).out, "Kiv Downloader\n");
    EXPECT_EQ(RunKivtool({"string", "111", "--lang", "ja"}).out, "キャンセル\n");
    EXPECT_EQ(RunKivtool({"string", "111", "--lang", "en"}).out, "Cancel\n");
    EXPECT_EQ(RunKivtool({"string", "3"}).status, 1);  // not in the table
}

}  // namespace
