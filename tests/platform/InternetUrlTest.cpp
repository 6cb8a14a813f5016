// Splitting URLs into service, server, object and port.
#include <gtest/gtest.h>

#include "platform/InternetUrl.h"

namespace {

struct Split {
    win::DWORD service = 0;
    std::string server;
    std::string object;
    win::INTERNET_PORT port = 0;
};

bool ParseInto(const std::string& url, Split& split) {
    return win::ParseURL(url, split.service, split.server, split.object, split.port);
}

TEST(InternetUrlTest, SplitsHttpAndHttpsUrls) {
    Split split;
    ASSERT_TRUE(ParseInto("http://dl.example.com/files/a.zip", split));
    EXPECT_EQ(split.service, win::AFX_INET_SERVICE_HTTP);
    EXPECT_EQ(split.server, "dl.example.com");
    EXPECT_EQ(split.object, "/files/a.zip");
    EXPECT_EQ(split.port, 80);

    ASSERT_TRUE(ParseInto("https://dl.example.com:8443/get?id=7&x=y#part2", split));
    EXPECT_EQ(split.service, win::AFX_INET_SERVICE_HTTPS);
    EXPECT_EQ(split.object, "/get?id=7&x=y");  // the fragment never goes to the server
    EXPECT_EQ(split.port, 8443);

    ASSERT_TRUE(ParseInto("https://dl.example.com", split));
    EXPECT_EQ(split.object, "/");
    EXPECT_EQ(split.port, 443);
}

TEST(InternetUrlTest, KeepsWhatTheRequestNeedsAndNothingElse) {
    Split split;
    ASSERT_TRUE(ParseInto("http://user:secret@[::1]:8080/a%20b/c d.zip", split));
    EXPECT_EQ(split.server, "[::1]");
    EXPECT_EQ(split.object, "/a%20b/c%20d.zip");
    EXPECT_EQ(split.port, 8080);

    ASSERT_TRUE(ParseInto("HTTP://Example.COM/A.zip", split));
    EXPECT_EQ(split.service, win::AFX_INET_SERVICE_HTTP);
    EXPECT_EQ(split.object, "/A.zip");
}

TEST(InternetUrlTest, RefusesOtherServicesAndMalformedUrlsLeavingTheOutputs) {
    for (const char* url : {"ftp://example.com/a.zip", "file:///etc/passwd", "mailto:a@b.c",
                            "example.com/a.zip", "http://", "http://host:99999/a", ""}) {
        Split split{7, "kept", "kept", 1};
        EXPECT_FALSE(ParseInto(url, split)) << url;
        EXPECT_EQ(split.service, 7u) << url;
        EXPECT_EQ(split.server, "kept") << url;
        EXPECT_EQ(split.object, "kept") << url;
        EXPECT_EQ(split.port, 1) << url;
    }
}

}  // namespace
