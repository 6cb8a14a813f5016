#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/ParamTagBag.h"
#include "control/ParameterLoad.h"
#include "platform/CodePage.h"
#include "platform/Language.h"

using kivcontrol::CParamTagBag;
using kivcontrol::LoadParameters;
using kivcontrol::ParameterLoadHooks;
using kivcontrol::ParameterLoadResult;

using kivtransfer::CONTENTDATA;
using kivtransfer::ErrorState;

namespace {

const std::string kHash = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";
const std::string kUrl = "http://example.com/f.zip";

// The padding goes into the query, so the name taken from the URL stays short.
std::string UrlOfLength(std::size_t length) {
    const std::string prefix = kUrl + "?q=";
    return prefix + std::string(length - prefix.size(), 'a');
}

class ParameterLoadTest : public ::testing::Test {
protected:
    void SetUp() override { win::OverrideLanguage(win::Language::English); }
    void TearDown() override { win::ResetLanguage(); }

    bool Load(CParamTagBag::Pairs pairs) {
        return LoadParameters(CParamTagBag(std::move(pairs)), hooks_, result_, error_);
    }
    // The parameter a refused load names; empty when the load succeeded.
    std::string Refused(CParamTagBag::Pairs pairs) {
        result_ = {};
        error_ = {};
        if (Load(std::move(pairs))) return std::string();
        EXPECT_EQ(error_.errorCode, 200);
        EXPECT_EQ(error_.lastError, 0u);
        return error_.errorDetail;
    }

    ParameterLoadHooks hooks_;
    ParameterLoadResult result_;
    ErrorState error_;
};

TEST_F(ParameterLoadTest, OneUrlGivesOneItemNamedAfterTheUrl) {
    ASSERT_TRUE(Load({{"contentscount", "1"}, {"curl1", "http://example.com/dir/file.zip?x=1"}}));
    EXPECT_EQ(error_.errorCode, 0);
    EXPECT_EQ(result_.caption, "Kiv Downloader");
    EXPECT_EQ(result_.itemCount, 1);
    ASSERT_EQ(result_.items.size(), 1u);
    const CONTENTDATA& item = *result_.items[0];
    EXPECT_EQ(item.url, "http://example.com/dir/file.zip?x=1");
    EXPECT_EQ(item.name, "file.zip");
    EXPECT_EQ(item.hash, "");
    EXPECT_EQ(item.flags, 0u);
    EXPECT_EQ(result_.helpLink, "");
    EXPECT_FALSE(result_.aborted);
}

TEST_F(ParameterLoadTest, EveryParameterLandsWhereLaterStepsLookForIt) {
    ASSERT_TRUE(Load({{"caption", "Season Pack"},
                      {"contentscount", "2"},
                      {"cname1", "first.bin"},
                      {"curl1", "https://example.com/a?id=1"},
                      {"hash1", kHash},
                      {"curl2", "http://example.com/b/second.zip"},
                      {"supporturl", "https://example.com/support"},
                      {"playbutton", "on"},
                      {"helplink", "http://example.com/help"}}));
    EXPECT_EQ(result_.caption, "Season Pack");
    ASSERT_EQ(result_.items.size(), 2u);
    EXPECT_EQ(result_.items[0]->name, "first.bin");
    EXPECT_EQ(result_.items[0]->hash, kHash);
    EXPECT_EQ(result_.items[1]->name, "second.zip");
    EXPECT_EQ(result_.items[1]->hash, "");
    EXPECT_EQ(result_.helpLink, "http://example.com/help");
    EXPECT_EQ(result_.parameters.LookupText("supporturl"), "https://example.com/support");
    EXPECT_EQ(result_.parameters.LookupText("playbutton"), "on");
}

TEST_F(ParameterLoadTest, ItemCountMustBeOneTo255) {
    // The refusal says the value and the range; a page's long value is cut short.
    EXPECT_EQ(Refused({{"curl1", kUrl}}),
              "contentscount (it is ''; 1 to 255 files are allowed)");
    for (const char* count : {"0", "-1", "256", "two", "1e2"}) {
        EXPECT_EQ(Refused({{"contentscount", count}, {"curl1", kUrl}}),
                  std::string("contentscount (it is '") + count + "'; 1 to 255 files are allowed)");
        EXPECT_TRUE(result_.items.empty()) << count;
    }
    EXPECT_EQ(Refused({{"contentscount", std::string(40, '9')}, {"curl1", kUrl}}),
              "contentscount (it is '9999999999999999...'; 1 to 255 files are allowed)");
    CParamTagBag::Pairs most{{"contentscount", "255"}};
    for (int n = 1; n <= 255; ++n) {
        most.emplace_back("curl" + std::to_string(n), "http://example.com/" + std::to_string(n));
    }
    EXPECT_EQ(Refused(most), "");
    EXPECT_EQ(result_.items.size(), 255u);
}

TEST_F(ParameterLoadTest, MissingUrlNamesItsParameterAndKeepsTheItemsMadeSoFar) {
    EXPECT_EQ(Refused({{"contentscount", "3"}, {"curl1", kUrl}, {"curl3", kUrl}}), "curl2");
    EXPECT_EQ(result_.itemCount, 3);
    ASSERT_EQ(result_.items.size(), 2u);
    EXPECT_EQ(result_.items[0]->name, "f.zip");
    ASSERT_NE(result_.items[1], nullptr);
}

TEST_F(ParameterLoadTest, UrlsAreAbsoluteHttpOrHttpsOfAtMost2084Bytes) {
    EXPECT_EQ(
        Refused(
            {{"contentscount", "2"}, {"curl1", UrlOfLength(2084)}, {"curl2", UrlOfLength(2085)}}),
        "curl2");
    EXPECT_EQ(result_.items[0]->url.size(), 2084u);
    // Without a server after "//" the parser would take the file for the server.
    for (const char* url : {"ftp://example.com/f.zip", "http:///x.bin", "http:/x.bin",
                            "https:x.bin", "http://?x.bin"}) {
        EXPECT_EQ(Refused({{"contentscount", "1"}, {"curl1", url}}), "curl1") << url;
    }
    EXPECT_EQ(Refused({{"contentscount", "1"}, {"curl1", "HTTPS://example.com/x.bin"}}), "");
}

TEST_F(ParameterLoadTest, BadHashNamesTheItemsHashParameter) {
    std::string lower = kHash;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const std::string& hash : {lower, kHash.substr(1), kHash + "0"}) {
        EXPECT_EQ(Refused({{"contentscount", "2"},
                           {"curl1", kUrl},
                           {"hash1", kHash},
                           {"curl2", "http://example.com/g.zip"},
                           {"hash2", hash}}),
                  "hash2");
    }
}

TEST_F(ParameterLoadTest, InvalidCnameIsIgnoredForTheUrlsName) {
    ASSERT_TRUE(Load({{"contentscount", "3"},
                      {"cname1", "bad:name.zip"},
                      {"curl1", "http://example.com/from-url.zip"},
                      {"cname2", "CON"},
                      {"curl2", "http://example.com/second.zip"},
                      {"cname3", std::string(256, 'n')},
                      {"curl3", "http://example.com/f.zip"}}));
    EXPECT_EQ(result_.items[0]->name, "from-url.zip");
    EXPECT_EQ(result_.items[1]->name, "second.zip");
    EXPECT_EQ(result_.items[2]->name, "f.zip");
}

// A name that shows as another (a bidirectional override) or acts on the
// terminal it is shown on (C1 controls) is the page's, never the file's.
TEST_F(ParameterLoadTest, CnameWithInvisibleCharactersIsIgnoredForTheUrlsName) {
    const unsigned saved = win::GetProcessCodePage();
    ASSERT_TRUE(win::SetProcessCodePage(win::CP_UTF8));
    const bool loaded = Load({{"contentscount", "2"},
                              {"cname1", "invoice\u202Enib.exe\u009b2J"},
                              {"curl1", "http://example.com/invoice.pdf"},
                              {"cname2", "a\u200Bb.zip"},
                              {"curl2", "http://example.com/b.zip"}});
    win::SetProcessCodePage(saved);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(result_.items[0]->name, "invoice.pdf");
    EXPECT_EQ(result_.items[1]->name, "b.zip");
}

TEST_F(ParameterLoadTest, UnusableDerivedNameIsReportedUnderTheCname) {
    EXPECT_EQ(
        Refused({{"contentscount", "2"}, {"curl1", kUrl}, {"curl2", "http://example.com/dir/"}}),
        "cname2");
    EXPECT_EQ(Refused({{"contentscount", "1"}, {"curl1", "http://example.com/files/nul.txt"}}),
              "cname1");
    EXPECT_EQ(Refused({{"contentscount", "1"},
                       {"cname1", "index.html"},
                       {"curl1", "http://example.com/dir/"}}),
              "");
    EXPECT_EQ(result_.items[0]->name, "index.html");
}

TEST_F(ParameterLoadTest, CaptionOfAtMost64BytesElseTheProductName) {
    std::string seen;
    hooks_.captionChosen = [&](const std::string& caption) { seen = caption; };
    EXPECT_EQ(Refused({{"caption", std::string(65, 'c')}, {"contentscount", "1"}, {"curl1", kUrl}}),
              "");
    EXPECT_EQ(result_.caption, "Kiv Downloader");
    EXPECT_EQ(seen, "Kiv Downloader");
    EXPECT_EQ(Refused({{"caption", std::string(64, 'c')}, {"contentscount", "1"}, {"curl1", kUrl}}),
              "");
    EXPECT_EQ(result_.caption, std::string(64, 'c'));
    EXPECT_EQ(seen, std::string(64, 'c'));
}

TEST_F(ParameterLoadTest, BadSupportUrlIsDroppedButBadHelpLinkRefused) {
    CParamTagBag::Pairs pairs{{"contentscount", "1"}, {"curl1", kUrl}, {"supporturl", "ftp://x/"}};
    EXPECT_EQ(Refused(pairs), "");
    EXPECT_EQ(result_.parameters.LookupText("supporturl"), "");
    pairs.emplace_back("helplink", "javascript:alert(1)");
    EXPECT_EQ(Refused(pairs), "helplink");
    EXPECT_EQ(result_.helpLink, "");
}

TEST_F(ParameterLoadTest, TwoItemsInOneFileAreRefusedUnderTheLaterItemsNamingParameter) {
    EXPECT_EQ(Refused({{"contentscount", "3"},
                       {"curl1", "http://a.example.com/f.zip"},
                       {"curl2", "http://b.example.com/g.zip"},
                       {"cname3", "bad:name"},  // ignored: the URL names the file
                       {"curl3", "http://c.example.com/f.zip?v=2"}}),
              "curl3");
    EXPECT_EQ(result_.items.size(), 3u);
    EXPECT_EQ(Refused({{"contentscount", "2"},
                       {"curl1", "http://example.com/setup.exe"},
                       {"cname2", "setup.exe"},
                       {"curl2", "http://example.com/other.exe"}}),
              "cname2");
    // The file system compares bytes: case, a trailing dot or space makes another file.
    EXPECT_EQ(Refused({{"contentscount", "4"},
                       {"cname1", "f.zip"},
                       {"curl1", kUrl},
                       {"cname2", "F.zip"},
                       {"curl2", kUrl},
                       {"cname3", "f.zip."},
                       {"curl3", kUrl},
                       {"cname4", "f.zip "},
                       {"curl4", kUrl}}),
              "");
    // In code page 932, 0x8790 and 0x81E0 both spell U+2252: one native name.
    const unsigned saved = win::GetProcessCodePage();
    ASSERT_TRUE(win::SetProcessCodePage(win::CP_SHIFT_JIS));
    const std::string refused = Refused({{"contentscount", "2"},
                                         {"cname1", "\x87\x90.txt"},
                                         {"curl1", kUrl},
                                         {"cname2", "\x81\xE0.txt"},
                                         {"curl2", kUrl}});
    win::SetProcessCodePage(saved);
    EXPECT_EQ(refused, "cname2");
}

TEST_F(ParameterLoadTest, RefusedInstanceCheckKeepsItsCodeAndStopsBeforeTheItems) {
    std::vector<std::string> calls;
    hooks_.captionChosen = [&](const std::string&) { calls.push_back("caption"); };
    hooks_.singleInstanceCheck = [&](ErrorState& error) {
        calls.push_back("check");
        error.Set(11, 5);
        return false;
    };
    hooks_.resetCancel = [&] { calls.push_back("reset"); };
    // The overlong caption leaves "caption" as the last refused name.
    EXPECT_FALSE(
        Load({{"caption", std::string(65, 'c')}, {"contentscount", "1"}, {"curl1", kUrl}}));
    EXPECT_TRUE(result_.aborted);
    EXPECT_EQ(error_.errorCode, 11);
    EXPECT_EQ(error_.lastError, 5u);
    EXPECT_EQ(error_.errorDetail, "");
    EXPECT_TRUE(result_.items.empty());
    EXPECT_EQ(calls, (std::vector<std::string>{"caption", "check"}));
}

TEST_F(ParameterLoadTest, PassedInstanceCheckResetsCancelBeforeReadingItems) {
    std::vector<std::string> calls;
    hooks_.singleInstanceCheck = [&](ErrorState&) {
        calls.push_back("check");
        return true;
    };
    hooks_.resetCancel = [&] { calls.push_back("reset"); };
    EXPECT_TRUE(Refused({}).starts_with("contentscount"));
    EXPECT_EQ(calls, (std::vector<std::string>{"check", "reset"}));
}

TEST_F(ParameterLoadTest, InstanceRefusalWithoutACodeStillFailsTheLoad) {
    hooks_.singleInstanceCheck = [](ErrorState&) { return false; };
    EXPECT_FALSE(Load({{"contentscount", "1"}, {"curl1", kUrl}}));
    EXPECT_TRUE(result_.aborted);
    EXPECT_EQ(error_.errorCode, 999);
}

}  // namespace
