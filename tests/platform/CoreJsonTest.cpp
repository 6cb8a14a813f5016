// The JSON reader and writer the browser's messages and kivtool's answers use.
#include <gtest/gtest.h>

#include <string>

#include "platform/Json.h"

namespace {

json::Value Parsed(const std::string& text) {
    json::Value value;
    std::string error;
    EXPECT_TRUE(json::Parse(text, value, error)) << text << ": " << error;
    return value;
}

TEST(CoreJsonTest, ReadsValuesWithMembersInOrderAndEscapesAsUtf8) {
    const json::Value value =
        Parsed(R"( {"b":1.5e1,"a":[true,false,null,"q\"\\\/\n\u00e9\ud83d\ude00"],"b":-0} )");
    ASSERT_TRUE(value.Is(json::Value::Kind::Object));
    ASSERT_EQ(value.members.size(), 3u);
    EXPECT_EQ(value.members[0].name, "b");
    EXPECT_EQ(value.Find("b")->number, 15);  // the first of a name
    const json::Value& list = *value.Find("a");
    ASSERT_EQ(list.items.size(), 4u);
    EXPECT_TRUE(list.items[0].boolean);
    EXPECT_FALSE(list.items[1].boolean);
    EXPECT_TRUE(list.items[2].Is(json::Value::Kind::Null));
    EXPECT_EQ(list.items[3].text, "q\"\\/\n\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(CoreJsonTest, RefusesWhatIsNotJsonOrNotText) {
    const std::string refused[] = {
        "",
        "{",
        "[1,]",
        R"({"a"})",
        R"({a:1})",
        "01",
        "1.",
        "1e",
        "nul",
        "{} x",
        "\"a\nb\"",
        R"("\x")",
        R"("\ud800")",
        R"("\udc00")",
        R"("\ud800\u0041")",
        "\"\xC0\xAF\"",            // overlong '/'
        "\"\xED\xA0\x80\"",        // an encoded surrogate
        "[\"\xF4\x90\x80\x80\"]",  // above U+10FFFF
        "1e999",
    };
    for (const std::string& text : refused) {
        json::Value value;
        std::string error;
        EXPECT_FALSE(json::Parse(text, value, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(CoreJsonTest, NestingIsBoundedSoHostileInputCannotExhaustTheStack) {
    json::Value value;
    std::string error;
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    EXPECT_FALSE(json::Parse(deep, value, error));
    EXPECT_NE(error.find("nested deeper"), std::string::npos) << error;
    const int allowed = json::kMaxDepth - 1;
    EXPECT_TRUE(json::Parse(std::string(allowed, '[') + std::string(allowed, ']'), value, error))
        << error;
}

TEST(CoreJsonTest, QuotedTextReadsBackTheSame) {
    const std::string text = "a\"b\\c\n\t\x01\x7F \xE6\x97\xA5";
    EXPECT_EQ(Parsed(json::Quote(text)).text, text);
    // Bytes that are no UTF-8 are kept visible rather than dropped.
    EXPECT_EQ(json::Quote("\xFF"), "\"\\u00ff\"");
}

}  // namespace
