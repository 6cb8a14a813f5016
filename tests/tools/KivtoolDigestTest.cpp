// kivtool digest and probe: the engine's file digest and size query from the
// command line, with their exit statuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/CannedServer.h"
#include "tests/tools/KivtoolRun.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kAbc = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
constexpr const char* kLastModified = "Wed, 01 Jul 2015 00:00:00 GMT";

// Its own XDG folders and no proxy, so the tool touches nothing of the user's
// and talks only to the test's server.
class KivtoolDigestTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kivtool-digest.XXXXXX";
        root_ = ::mkdtemp(pattern);
        for (const char* var : {"XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
            fs::create_directories(root_ / var);
            ::setenv(var, (root_ / var).c_str(), 1);
        }
        for (const char* var :
             {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
            ::unsetenv(var);
        }
        ::setenv("LANG", "C", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path Write(const std::string& name, const std::string& bytes) {
        const fs::path path = root_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    fs::path root_;
};

TEST_F(KivtoolDigestTest, DigestPrintsTheUpperCaseSha256) {
    const ToolResult result = RunKivtool({"digest", Write("abc.txt", "abc").string()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, std::string(kAbc) + "\n");

    // A relative path is taken from the current folder.
    const fs::path previous = fs::current_path();
    fs::current_path(root_);
    const ToolResult relative = RunKivtool({"digest", "abc.txt"});
    fs::current_path(previous);
    EXPECT_EQ(relative.out, std::string(kAbc) + "\n");
}

TEST_F(KivtoolDigestTest, DigestOfAMissingFileOrFolderIsRefused) {
    const ToolResult missing = RunKivtool({"digest", (root_ / "absent.bin").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(RunKivtool({"digest", root_.string()}).status, 1);
    EXPECT_EQ(RunKivtool({"digest"}).status, 2);
}

TEST_F(KivtoolDigestTest, ProbeReportsWhatTheServerAnsweredTheHeadRequest) {
    kivtest::CannedServer server;
    server.ServeContent("hello", kLastModified);
    const ToolResult result = RunKivtool({"probe", server.Url("/files/a.bin")});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, std::string("status 200\nsize 5\nlast-modified ") + kLastModified +
                              "\ncontent-type application/octet-stream\n");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Method(), "HEAD");
    EXPECT_EQ(requests[0].Header("User-Agent"), "Kiv Downloader");
}

TEST_F(KivtoolDigestTest, ProbeFailureShowsTheCodeTagAndText) {
    kivtest::CannedServer server;
    server.Enqueue(kivtest::CannedResponse::Status(404));
    const ToolResult notFound = RunKivtool({"probe", server.Url("/missing")});
    EXPECT_EQ(notFound.status, 1);
    EXPECT_EQ(notFound.out.substr(0, notFound.out.find('\n')), "[D:301 E:404]");
    EXPECT_GT(notFound.out.size(), std::string("[D:301 E:404]\n\n").size());

    const ToolResult notHttp = RunKivtool({"probe", "ftp://127.0.0.1/a.bin"});
    EXPECT_EQ(notHttp.status, 1);
    EXPECT_EQ(notHttp.out.substr(0, notHttp.out.find('\n')), "[D:201]");

    const std::string closedPort = server.Url("/a.bin");
    server.Stop();  // nothing listens on its port any more
    const ToolResult refused = RunKivtool({"probe", closedPort});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out.substr(0, refused.out.find('\n')), "[D:300 E:12029]");
}

}  // namespace
