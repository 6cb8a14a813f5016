// The user's session as the host takes it: cookie files, --header lines and
// the cookies in the browser's start message, each checked like hostile input.
#include <gtest/gtest.h>

#include "host/BrowserMessages.h"
#include "host/SessionCookies.h"

using win::inet::SessionCookie;

namespace {

constexpr long long kNow = 1'800'000'000;

TEST(SessionCookiesTest, CookieFilesReadAsCurlAndWgetWriteThem) {
    const std::string file =
        "# Netscape HTTP Cookie File\n"
        "# https://curl.se/docs/http-cookies.html\n"
        "\n"
        "#HttpOnly_127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\tabc123\n"
        ".example.com\tTRUE\t/files\tTRUE\t1900000000\tlang\t\"ja\"\r\n"
        "old.example\tFALSE\t/\tFALSE\t1000\tgone\tx\n"
        "empty.example\tFALSE\t/\tFALSE\t0\tblank\t\n";
    std::vector<SessionCookie> cookies;
    std::string error;
    ASSERT_TRUE(ParseCookieFile(file, kNow, cookies, error)) << error;
    ASSERT_EQ(cookies.size(), 3u);  // the expired row skipped
    EXPECT_TRUE(cookies[0].httpOnly);
    EXPECT_TRUE(cookies[0].hostOnly);
    EXPECT_EQ(cookies[0].domain, "127.0.0.1");
    EXPECT_EQ(cookies[1].domain, "example.com");
    EXPECT_FALSE(cookies[1].hostOnly);
    EXPECT_TRUE(cookies[1].secure);
    EXPECT_EQ(cookies[1].value, "\"ja\"");
    EXPECT_EQ(cookies[2].value, "");
    EXPECT_EQ(win::inet::CookieEngineLine(cookies[1]),
              ".example.com\tTRUE\t/files\tTRUE\t1900000000\tlang\t\"ja\"");
    EXPECT_EQ(win::inet::CookieEngineLine(cookies[0]),
              "#HttpOnly_127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\tabc123");

    // A line that could smuggle another header or cookie is refused by its
    // number, and its value is never quoted.
    for (const char* bad : {"h\tFALSE\t/\tFALSE\t0\tn\tsecret;evil=1\n",
                            "h\tFALSE\t/\tFALSE\t0\tn\tsecret\rX: y\n",
                            "h\tFALSE\tnoslash\tFALSE\t0\tn\tsecret\n",
                            "h\tMAYBE\t/\tFALSE\t0\tn\tsecret\n",
                            "h\tFALSE\t/\tFALSE\tsoon\tn\tsecret\n",
                            "h\tFALSE\t/\tFALSE\t0\tn=m\tsecret\n",
                            "h\tFALSE\t/\tFALSE\t0\tsecret\n"}) {
        cookies.clear();
        error.clear();
        EXPECT_FALSE(ParseCookieFile(std::string("# c\n") + bad, kNow, cookies, error)) << bad;
        EXPECT_EQ(error.find("secret"), std::string::npos) << error;
        EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    }
}

TEST(SessionCookiesTest, HeaderLinesRefuseWhatTheRunWritesAndControlCharacters) {
    std::string line;
    std::string error;
    ASSERT_TRUE(ParseExtraHeader("X-Token:   t0k3n", line, error)) << error;
    EXPECT_EQ(line, "X-Token: t0k3n");
    ASSERT_TRUE(ParseExtraHeader("Authorization: Bearer a b", line, error)) << error;
    for (const char* refused : {"Host: x", "range: bytes=0-", "If-Range: x", "Connection: close",
                                "Transfer-Encoding: chunked", "Proxy-Authorization: x", "TE: x",
                                "X-A: b\r\nInjected: c", "X-A: b\x7f", "no colon", "X A: b",
                                ": b", "X-Empty:"}) {
        error.clear();
        EXPECT_FALSE(ParseExtraHeader(refused, line, error)) << refused;
        EXPECT_FALSE(error.empty());
    }
}

std::string StartWithCookies(const std::string& cookies) {
    return R"({"type":"start","url":"http://127.0.0.1:8080/p","origin":"http://127.0.0.1:8080",)"
           R"("params":[["contentscount","1"],["curl1","http://files.example/a.bin"]],)"
           R"("cookies":[)" + cookies + "]}";
}

std::string Cookie(const std::string& members) {
    return R"({"url":"http://files.example/a.bin","name":"session","value":"s3cr3t",)" + members +
           "}";
}

TEST(SessionCookiesTest, TheTabsCookiesAreTakenOnlyForTheFilesTheyWereReadFor) {
    BrowserMessage message;
    BrowserRefusal refusal;
    ASSERT_TRUE(ParseBrowserMessage(
        StartWithCookies(
            Cookie(R"("domain":"files.example","hostOnly":true,"path":"/","secure":false)") + "," +
            Cookie(R"("domain":".example","hostOnly":false,"path":"/","secure":false,)"
                   R"("httpOnly":true)")),
        message, refusal))
        << refusal.reason;
    ASSERT_EQ(message.start.cookies.size(), 2u);
    EXPECT_EQ(message.start.cookies[1].domain, "example");
    EXPECT_FALSE(message.start.cookies[1].hostOnly);

    for (const std::string& bad : std::vector<std::string>{
             // for another host, or a subdomain cookie claimed host-only elsewhere
             Cookie(R"("domain":"other.example","hostOnly":true,"path":"/","secure":false)"),
             Cookie(R"("domain":"example","hostOnly":true,"path":"/","secure":false)"),
             // secure over http, a member too many
             Cookie(R"("domain":"files.example","hostOnly":true,"path":"/","secure":true)"),
             Cookie(R"("domain":"files.example","hostOnly":true,"path":"/","secure":false,"x":1)"),
             // an address that is not one of the page's files
             R"({"url":"http://files.example/b.bin","name":"session","value":"s3cr3t",)"
             R"("domain":"files.example","hostOnly":true,"path":"/","secure":false})",
         }) {
        EXPECT_FALSE(ParseBrowserMessage(StartWithCookies(bad), message, refusal)) << bad;
        EXPECT_EQ(refusal.reason.find("s3cr3t"), std::string::npos) << refusal.reason;
        EXPECT_TRUE(message.start.cookies.empty());
    }

    // A value that would end the Cookie header's pair, or a line, is left out.
    for (const char* value : {"s3cr3t; x=1", "s3cr3t\\r\\nX: y"}) {
        ASSERT_TRUE(ParseBrowserMessage(
            StartWithCookies(
                R"({"url":"http://files.example/a.bin","name":"session","value":")" +
                std::string(value) +
                R"(","domain":"files.example","hostOnly":true,"path":"/","secure":false})"),
            message, refusal))
            << refusal.reason;
        EXPECT_TRUE(message.start.cookies.empty()) << value;
    }
    ASSERT_TRUE(ParseBrowserMessage(
        StartWithCookies(
            Cookie(R"("domain":"files.example","hostOnly":true,"path":"x","secure":false)")),
        message, refusal));
    EXPECT_TRUE(message.start.cookies.empty());  // a path that is none
}

}  // namespace
