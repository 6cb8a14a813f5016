// Finding the control's <object> in a page, its parameters, size and the
// page's title, and refusing what is no usable page.
#include <gtest/gtest.h>

#include <string>

#include "host/PageDecoding.h"
#include "host/PageParser.h"
#include "tests/platform/CoreTestSupport.h"

namespace {

using Params = HostPage::Params;

std::string PageWith(const std::string& object, const std::string& head = "") {
    return "<!DOCTYPE html><html><head>" + head + "</head><body><p>Download</p>" + object +
           "</body></html>";
}

std::string ObjectTag(const std::string& attributes, const std::string& params) {
    return "<object " + attributes + ">" + params + "</object>";
}

const std::string kOneParam = "<param name=\"contentscount\" value=\"1\">";

bool Parses(const std::string& html, HostPage& page, std::string& error) {
    return ParsePageHtml(html, page, error);
}

TEST(PageParserTest, FindsTheObjectByClassIdInAnyCaseWithOrWithoutBraces) {
    const char* classIds[] = {
        "clsid:{7126E9C3-57EE-4EBA-A6AC-286C10450471}",
        "CLSID:7126e9c3-57ee-4eba-a6ac-286c10450471",
        "  clsid: {7126e9c3-57EE-4eba-A6AC-286c10450471}  ",
    };
    for (const char* classId : classIds) {
        HostPage page;
        std::string error;
        EXPECT_TRUE(
            Parses(PageWith(ObjectTag(std::string("classid=\"") + classId + "\"", kOneParam)), page,
                   error))
            << classId << ": " << error;
        EXPECT_EQ(page.params, (Params{{"contentscount", "1"}})) << classId;
    }
}

TEST(PageParserTest, FindsTheObjectByProgIdInClassIdOrType) {
    const char* attributes[] = {
        "classid=\"progid:KIVDOWNLOADCONTR.KivDownloadContrCtrl.1\"",
        "classid=\"PROGID:kivdownloadcontr.kivdownloadcontrctrl.1\"",
        "type=\"KIVDOWNLOADCONTR.KivDownloadContrCtrl.1\"",
    };
    for (const char* attribute : attributes) {
        HostPage page;
        std::string error;
        EXPECT_TRUE(Parses(PageWith(ObjectTag(attribute, kOneParam)), page, error))
            << attribute << ": " << error;
    }
}

TEST(PageParserTest, OtherObjectsAndNearMissesAreNotTheControl) {
    const char* attributes[] = {
        "classid=\"clsid:{7126E9C3-57EE-4EBA-A6AC-286C10450472}\"",  // last digit differs
        "classid=\"clsid:{7126E9C3-57EE-4EBA-A6AC-286C10450471\"",   // unbalanced brace
        "classid=\"{7126E9C3-57EE-4EBA-A6AC-286C10450471}\"",        // no clsid: scheme
        "classid=\"progid:KIVDOWNLOADCONTR.KivDownloadContrCtrl.2\"",
        "type=\"application/x-shockwave-flash\"",
        "data=\"KIVDOWNLOADCONTR.KivDownloadContrCtrl.1\"",
    };
    for (const char* attribute : attributes) {
        HostPage page;
        std::string error;
        EXPECT_FALSE(Parses(PageWith(ObjectTag(attribute, kOneParam)), page, error)) << attribute;
        EXPECT_NE(error.find("no <object> for the control"), std::string::npos) << error;
    }
}

TEST(PageParserTest, CollectsTheParamsOfTheFirstMatchingObjectInPageOrder) {
    const std::string other = ObjectTag("classid=\"clsid:{D27CDB6E-AE6D-11CF-96B8-444553540000}\"",
                                        "<param name=\"movie\" value=\"intro.swf\">");
    const std::string control =
        ObjectTag("classid=\"clsid:{7126E9C3-57EE-4EBA-A6AC-286C10450471}\"",
                  "<param name=\"contentscount\" value=\"2\">"
                  "<param name=\"curl1\" value=\"http://example.com/a.zip?x=1&amp;y=2\">"
                  "<param value=\"no name: skipped\">"
                  "<param name=\"caption\">"  // no value: empty, as the browser gives it
                  "<div><param name=\"curl2\" value=\"http://example.com/b.zip\"></div>"
                  "<object classid=\"clsid:{00000000-0000-0000-0000-000000000001}\">"
                  "<param name=\"nested\" value=\"belongs to the inner object\"></object>"
                  "<param name=\"CURL1\" value=\"duplicate kept in order\">");
    const std::string second = ObjectTag("type=\"KIVDOWNLOADCONTR.KivDownloadContrCtrl.1\"",
                                         "<param name=\"second\" value=\"x\">");
    HostPage page;
    std::string error;
    ASSERT_TRUE(Parses(PageWith(other + control + second), page, error)) << error;
    EXPECT_EQ(page.params, (Params{{"contentscount", "2"},
                                   {"curl1", "http://example.com/a.zip?x=1&y=2"},
                                   {"caption", ""},
                                   {"curl2", "http://example.com/b.zip"},
                                   {"CURL1", "duplicate kept in order"}}));
}

TEST(PageParserTest, SizeInPixelsOnlyWhenThePageGivesPixels) {
    struct Case {
        const char* width;
        const char* height;
        std::optional<int> expectedWidth;
        std::optional<int> expectedHeight;
    };
    const Case cases[] = {
        {"640", "480px", 640, 480},
        {" 320 ", "0", 320, 0},
        {"100%", "12em", std::nullopt, std::nullopt},
        {"-5", "abc", std::nullopt, std::nullopt},
        {"99999999999", "px", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        HostPage page;
        std::string error;
        const std::string attributes =
            std::string("classid=\"clsid:{7126E9C3-57EE-4EBA-A6AC-286C10450471}\" width=\"") +
            c.width + "\" height=\"" + c.height + "\"";
        ASSERT_TRUE(Parses(PageWith(ObjectTag(attributes, kOneParam)), page, error)) << error;
        EXPECT_EQ(page.width, c.expectedWidth) << c.width;
        EXPECT_EQ(page.height, c.expectedHeight) << c.height;
    }
    HostPage page;
    std::string error;
    ASSERT_TRUE(Parses(PageWith(ObjectTag("type=\"KIVDOWNLOADCONTR.KivDownloadContrCtrl.1\"", "")),
                       page, error));
    EXPECT_FALSE(page.width.has_value());
    EXPECT_FALSE(page.height.has_value());
    EXPECT_TRUE(page.params.empty());
}

TEST(PageParserTest, TitleWithBlanksCollapsedOrEmpty) {
    const std::string object = ObjectTag("type=\"KIVDOWNLOADCONTR.KivDownloadContrCtrl.1\"", "");
    HostPage page;
    std::string error;
    ASSERT_TRUE(
        Parses(PageWith(object, "<title>\n  Velmo   downloads\t&amp; more </title>"), page, error));
    EXPECT_EQ(page.title, "Velmo downloads & more");
    ASSERT_TRUE(Parses(PageWith(object), page, error));
    EXPECT_EQ(page.title, "");
}

TEST(PageParserTest, RefusesWhatIsNotHtml) {
    const std::string binary("\x89PNG\r\n\x1a\n\0\0\0\rIHDR<object>", 24);
    const std::string texts[] = {"just some words, no tags at all", "", binary};
    for (const std::string& text : texts) {
        HostPage page;
        std::string error;
        EXPECT_FALSE(Parses(text, page, error));
        EXPECT_NE(error.find("not an HTML page"), std::string::npos) << error;
    }
}

TEST(PageParserTest, RefusesPagesWithTooManyTagsBeforeParsingThem) {
    std::string html;
    for (std::size_t i = 0; i <= kMaxPageTags; ++i) html += "<b>";
    html += ObjectTag("type=\"KIVDOWNLOADCONTR.KivDownloadContrCtrl.1\"", kOneParam);
    HostPage page;
    std::string error;
    EXPECT_FALSE(Parses(html, page, error));
    EXPECT_NE(error.find("more than 20000 tags"), std::string::npos) << error;
}

TEST(PageParserTest, TextsReachTheControlInTheProcessCodePage) {
    // "テスト.zip" in UTF-8, as the parser sees every page.
    const std::string utf8Name = "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.zip";
    const std::string html =
        PageWith(ObjectTag("type=\"KIVDOWNLOADCONTR.KivDownloadContrCtrl.1\"",
                           "<param name=\"cname1\" value=\"" + utf8Name + "\">"),
                 "<title>" + utf8Name + "</title>");
    coretest::ScopedCodePage shiftJis(win::CP_SHIFT_JIS);
    HostPage page;
    std::string error;
    ASSERT_TRUE(Parses(html, page, error)) << error;
    EXPECT_EQ(page.params, (Params{{"cname1", "\x83\x65\x83\x58\x83\x67.zip"}}));
    EXPECT_EQ(page.title, "\x83\x65\x83\x58\x83\x67.zip");

    // A text that Shift-JIS cannot hold is refused rather than mangled.
    const std::string emoji =
        PageWith(ObjectTag("type=\"KIVDOWNLOADCONTR.KivDownloadContrCtrl.1\"",
                           "<param name=\"caption\" value=\"\xF0\x9F\x98\x80\">"));
    EXPECT_FALSE(Parses(emoji, page, error));
    EXPECT_NE(error.find("'caption'"), std::string::npos) << error;
}

TEST(PageDecodingTest, CharsetFromContentTypeOrTheFirstKilobyte) {
    EXPECT_EQ(FindCharset("text/html;charset=\"EUC-JP\""), "euc-jp");
    EXPECT_EQ(FindCharset("<p>charset is a word</p><meta charset=windows-1252>"), "windows-1252");

    // Shift_JIS "テスト" declared in a meta tag, and by the server.
    const std::string sjis =
        "<meta http-equiv=\"Content-Type\" content=\"text/html; "
        "charset=Shift_JIS\"><p>\x83\x65\x83\x58\x83\x67</p>";
    std::string utf8;
    std::string error;
    ASSERT_TRUE(DecodePageBytes(sjis, "", utf8, error)) << error;
    EXPECT_NE(utf8.find("<p>\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88</p>"), std::string::npos);
    ASSERT_TRUE(DecodePageBytes("<p>\x83\x65</p>", "text/html; charset=shift_jis", utf8, error));
    EXPECT_EQ(utf8, "<p>\xE3\x83\x86</p>");

    // A meta tag past the first kilobyte is not looked at.
    const std::string late = std::string(1100, ' ') + "<meta charset=shift_jis><p>\x83\x65</p>";
    ASSERT_TRUE(DecodePageBytes(late, "", utf8, error));
    EXPECT_EQ(utf8, late);

    ASSERT_TRUE(DecodePageBytes("\xEF\xBB\xBF<p>x</p>", "", utf8, error));
    EXPECT_EQ(utf8, "<p>x</p>");
}

TEST(PageDecodingTest, UnknownCharsetsAndBadBytesAreErrors) {
    std::string utf8;
    std::string error;
    EXPECT_FALSE(DecodePageBytes("<p>x</p>", "text/html; charset=x-no-such-charset", utf8, error));
    EXPECT_NE(error.find("not supported"), std::string::npos) << error;
    // 0x81 0x20 is no Shift_JIS character.
    EXPECT_FALSE(DecodePageBytes("<p>\x81\x20</p>", "text/html; charset=shift_jis", utf8, error));
    EXPECT_NE(error.find("not valid shift_jis"), std::string::npos) << error;
}

}  // namespace
