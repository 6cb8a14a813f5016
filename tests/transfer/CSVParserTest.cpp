#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transfer/CSVParser.h"

using kivtransfer::CCSVParser;

namespace {

using Fields = std::vector<std::string>;

Fields Split(std::string_view line, bool trim = true) {
    CCSVParser parser;
    parser.SetTrim(trim);
    parser.SetLine(line);
    Fields fields{"stale"};
    EXPECT_EQ(parser.Parse(fields), 1) << line;
    return fields;
}

struct SplitCase {
    const char* line;
    Fields expected;
};

TEST(CSVParserTest, SplitsFieldsWithItsOwnQuoteRules) {
    const SplitCase cases[] = {
        {R"("a","b")", {"a", "b"}},
        {R"("a,b",c)", {"a,b", "c"}},
        {R"("x""y")", {R"(x"y)"}},
        {R"(a"b)", {"ab"}},
        {R"("")", {R"(")"}},
        {"a,", {"a", ""}},
        {",", {"", ""}},
        {R"(  "a")", {"a"}},
        {R"(" a ")", {" a "}},
        {R"("a,b)", {"a,b"}},
        {R"("a,b,c",d,"e)", {"a,b,c", "d", "e"}},
        {R"(a,  "b" ,	c)", {"a", "b ", "c"}},
        {R"("""a",b""")", {R"("a)", R"(b")"}},
        {R"(K," C:\d\a.bin"," Wed, 01 Jul 2015 00:00:00 GMT", " 0")",
         {"K", R"( C:\d\a.bin)", " Wed, 01 Jul 2015 00:00:00 GMT", " 0"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(Split(c.line), c.expected) << c.line;
    }
}

TEST(CSVParserTest, TrimmingOffKeepsLeadingBlanks) {
    EXPECT_EQ(Split(R"(  "a",	b)", false), (Fields{"  a", "\tb"}));
    EXPECT_EQ(Split(" a , b ", true), (Fields{"a ", "b "}));
}

TEST(CSVParserTest, NoUsableLineEmptiesTheListAndReturnsZero) {
    CCSVParser parser;
    Fields fields{"stale"};
    EXPECT_EQ(parser.Parse(fields), 0) << "nothing set yet";
    EXPECT_TRUE(fields.empty());

    for (std::string_view line :
         {std::string_view(), std::string_view(""), std::string_view(" \t  ")}) {
        ASSERT_EQ(parser.SetLine("held"), 1);
        EXPECT_EQ(parser.SetLine(line), 1);
        fields = {"stale"};
        EXPECT_EQ(parser.Parse(fields), 0) << '[' << line << ']';
        EXPECT_TRUE(fields.empty());
    }

    parser.SetTrim(false);
    parser.SetLine("  ");
    EXPECT_EQ(parser.Parse(fields), 1) << "blanks are a field when not trimming";
    EXPECT_EQ(fields, (Fields{"  "}));
}

TEST(CSVParserTest, CommentCharacterIsLimitedAndSkipsCommentLines) {
    CCSVParser parser;
    for (char refused : {'a', '"', ',', ' ', '\t', '0', '\0'}) {
        EXPECT_EQ(parser.SetCommentChar(refused), 0) << static_cast<int>(refused);
    }
    parser.SetLine("#a,b");
    Fields fields;
    EXPECT_EQ(parser.Parse(fields), 1) << "no comment character set yet";
    EXPECT_EQ(fields, (Fields{"#a", "b"}));

    for (char allowed : std::string_view("!#$%&'()*+-./:;<=>?@[\\]^_`{|}~")) {
        EXPECT_EQ(parser.SetCommentChar(allowed), 1) << allowed;
    }
    ASSERT_EQ(parser.SetCommentChar(';'), 1);
    EXPECT_EQ(parser.SetCommentChar('a'), 0);
    parser.SetLine(";a,b");
    fields = {"stale"};
    EXPECT_EQ(parser.Parse(fields), 0) << "the refused 'a' left ';' in place";
    EXPECT_TRUE(fields.empty());

    parser.SetLine("  ;a");
    EXPECT_EQ(parser.Parse(fields), 1) << "comment test comes before trimming";
    EXPECT_EQ(fields, (Fields{";a"}));
}

TEST(CSVParserTest, KeepsArbitraryBytes) {
    const std::string line("\"a\0b\",\x82\x5c\r", 9);
    EXPECT_EQ(Split(line), (Fields{std::string("a\0b", 3), "\x82\x5c\r"}));

    CCSVParser parser;
    parser.SetLine(std::string(1, '\0'));
    Fields fields;
    EXPECT_EQ(parser.Parse(fields), 1) << "a NUL byte is no comment without a comment character";
    EXPECT_EQ(fields, (Fields{std::string(1, '\0')}));
}

TEST(CSVParserTest, LongOpenQuotedFieldStaysOneField) {
    // An unbalanced quote followed by many commas: a parser that recounted
    // the field's quotes at every comma would not finish this.
    std::string line = "\"";
    for (int i = 0; i < 200000; ++i) {
        line += "x,";
    }
    const Fields fields = Split(line);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0], line.substr(1));
}

}  // namespace
