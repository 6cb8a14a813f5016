// Loading a page from a file or an http(s) URL: what is refused, and the
// bounds of a fetch, against a server the test runs on 127.0.0.1.
#include <gtest/gtest.h>

#include "host/PageLoader.h"
#include "platform/Language.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/CannedServer.h"

namespace {

using kivtest::CannedResponse;
using kivtest::CannedServer;

const std::string kControlPage =
    "<html><head><title>Setup</title></head><body>"
    "<object type='KIVDOWNLOADCONTR.KivDownloadContrCtrl.1'>"
    "<param name='contentscount' value='1'></object></body></html>";

class PageLoaderTest : public ::testing::Test {
protected:
    bool Load(const std::string& source, const PageFetchLimits& limits = {}) {
        error_.clear();
        return LoadPage(source, page_, error_, limits);
    }

    coretest::TempFolder folder_;
    HostPage page_;
    std::string error_;
};

TEST_F(PageLoaderTest, LocalFilesByPathOrFileUrl) {
    const std::string path = folder_.Path() + "/my page.html";
    hosttest::WriteFile(path, kControlPage);
    ASSERT_TRUE(Load(path)) << error_;
    EXPECT_EQ(page_.source, path);
    EXPECT_EQ(page_.title, "Setup");
    ASSERT_TRUE(Load("file://" + folder_.Path() + "/my%20page.html")) << error_;
    EXPECT_EQ(page_.params, (HostPage::Params{{"contentscount", "1"}}));
}

TEST_F(PageLoaderTest, FilesThatCannotBeAPage) {
    EXPECT_FALSE(Load(folder_.Path() + "/absent.html"));
    EXPECT_NE(error_.find("no such file"), std::string::npos) << error_;
    EXPECT_FALSE(Load(folder_.Path()));
    EXPECT_NE(error_.find("not a regular file"), std::string::npos) << error_;

    const std::string huge = folder_.Path() + "/huge.html";
    hosttest::WriteFile(huge, kControlPage + std::string(kMaxPageBytes, ' '));
    EXPECT_FALSE(Load(huge));
    EXPECT_NE(error_.find("larger than 8 MiB"), std::string::npos) << error_;

    // The host's own texts come from the string tables, in the user's language.
    win::OverrideLanguage(win::Language::Japanese);
    EXPECT_FALSE(Load(folder_.Path() + "/absent.html"));
    win::ResetLanguage();
    EXPECT_EQ(error_,
              "ページ '" + folder_.Path() + "/absent.html' を読み込めません: ファイルがありません");
}

TEST_F(PageLoaderTest, FetchesAPageOverHttp) {
    CannedServer server;
    server.Enqueue(CannedResponse::Html(kControlPage));
    const std::string url = server.Url("/pages/setup.html?lang=en");
    ASSERT_TRUE(Load(url)) << error_;
    EXPECT_EQ(page_.source, url);
    EXPECT_EQ(page_.title, "Setup");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].requestLine, "GET /pages/setup.html?lang=en HTTP/1.1");
}

TEST_F(PageLoaderTest, ServerCharsetIsHonoured) {
    CannedServer server;
    // "テスト" in Shift_JIS as a parameter value.
    server.Enqueue(
        CannedResponse::Ok("<object type='KIVDOWNLOADCONTR.KivDownloadContrCtrl.1'>"
                           "<param name='caption' value='\x83\x65\x83\x58\x83\x67'>"
                           "</object>",
                           "text/html; charset=Shift_JIS"));
    ASSERT_TRUE(Load(server.Url("/sjis.html"))) << error_;
    EXPECT_EQ(page_.params,
              (HostPage::Params{{"caption", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"}}));
}

TEST_F(PageLoaderTest, ServerAnswersThatAreNoPage) {
    CannedServer server;
    server.Enqueue(CannedResponse::Status(404));
    EXPECT_FALSE(Load(server.Url("/missing.html")));
    EXPECT_NE(error_.find("the server answered HTTP 404"), std::string::npos) << error_;

    server.Enqueue(CannedResponse::Ok("\x89PNG", "image/png"));
    EXPECT_FALSE(Load(server.Url("/image.png")));
    EXPECT_NE(error_.find("not an HTML page (Content-Type image/png)"), std::string::npos)
        << error_;
}

TEST_F(PageLoaderTest, AServerThatStallsOrIsAbsentEndsTheLoad) {
    CannedServer server;
    CannedResponse stalled = CannedResponse::Html(kControlPage);
    stalled.stallAfter = 10;
    stalled.stallMs = -1;
    server.Enqueue(stalled);
    PageFetchLimits limits;
    limits.readTimeoutMs = 300;
    EXPECT_FALSE(Load(server.Url("/slow.html"), limits));
    EXPECT_NE(error_.find("stopped sending"), std::string::npos) << error_;
    server.Stop();

    // Nothing listens on the stopped server's port any more.
    EXPECT_FALSE(Load(server.Url("/gone.html"), limits));
    EXPECT_NE(error_.find("cannot load the page"), std::string::npos) << error_;
}

}  // namespace
