#include <gtest/gtest.h>

#include <string>

#include "control/ParamTagBag.h"
#include "control/ParameterSet.h"

using kivcontrol::CParameterSet;
using kivcontrol::CParamTagBag;

namespace {

class ParameterSetTest : public ::testing::Test {
protected:
    void SetUp() override { set_.Attach(&bag_); }

    CParamTagBag bag_;
    CParameterSet set_;
};

TEST_F(ParameterSetTest, AbsentOrEmptyTextIsAcceptedOnlyWhenOptional) {
    bag_.Add("empty", "");
    EXPECT_TRUE(set_.ReadText("missing", PV_OPTIONAL, 0));
    EXPECT_TRUE(set_.ReadText("empty", PV_OPTIONAL | PV_URL, 10));
    EXPECT_EQ(set_.RejectedName(), "");

    EXPECT_FALSE(set_.ReadText("missing", 0, 0));
    EXPECT_EQ(set_.RejectedName(), "missing");
    EXPECT_FALSE(set_.ReadText("empty", 0, 0));
    EXPECT_EQ(set_.RejectedName(), "empty");
    EXPECT_EQ(set_.LookupText("empty"), "");
}

TEST_F(ParameterSetTest, LengthLimitCountsBytesAndKeepsTheExactMaximum) {
    bag_.Add("eight", "12345678");
    bag_.Add("kana", "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86");  // three characters, nine bytes
    bag_.Add("long", std::string(5000, 'x'));
    EXPECT_TRUE(set_.ReadText("eight", 0, 8));
    EXPECT_EQ(set_.LookupText("eight"), "12345678");
    EXPECT_FALSE(set_.ReadText("kana", PV_OPTIONAL, 8));  // too long is refused even when optional
    EXPECT_EQ(set_.LookupText("kana"), "");
    EXPECT_TRUE(set_.ReadText("long", 0, 0));  // 0: no limit
}

TEST_F(ParameterSetTest, UrlMustBeAbsoluteHttpOrHttps) {
    const std::pair<const char*, bool> cases[] = {
        {"http://example.com/a/file.zip", true},
        {"https://example.com:8443/file.zip?x=1#top", true},
        {"HTTP://EXAMPLE.COM/", true},
        {"ftp://example.com/file.zip", false},
        {"file:///etc/passwd", false},
        {"mailto:someone@example.com", false},
        {"//example.com/file.zip", false},
        {"/file.zip", false},
        {"http://", false},
        {"example.com/file.zip", false},
        {"http://example.com:99999/", false},
    };
    for (const auto& [url, accepted] : cases) {
        bag_.Add(url, url);
        EXPECT_EQ(set_.ReadText(url, PV_URL, 2084), accepted) << url;
        EXPECT_EQ(set_.LookupText(url), accepted ? url : "") << url;
    }
}

TEST_F(ParameterSetTest, HashMustBeSixtyFourUpperCaseHexDigits) {
    bag_.Add("good", "0123456789ABCDEF" + std::string(48, 'F'));
    bag_.Add("even66", std::string(66, 'A'));
    bag_.Add("notHex", std::string(63, 'A') + "G");
    EXPECT_TRUE(set_.ReadText("good", PV_SHA256 | PV_OPTIONAL, 0));
    for (const char* name : {"even66", "notHex"}) {
        EXPECT_FALSE(set_.ReadText(name, PV_SHA256 | PV_OPTIONAL, 0)) << name;
        EXPECT_EQ(set_.RejectedName(), name);
        EXPECT_EQ(set_.LookupText(name), "");
    }
}

TEST_F(ParameterSetTest, NumbersWithinInclusiveBoundsAreStored) {
    bag_.Add("low", "-1");
    bag_.Add("high", "255");
    bag_.Add("over", "256");
    bag_.Add("blanks", " 7 ");
    bag_.Add("plus", "+5");
    EXPECT_TRUE(set_.ReadNumber("low", false, -1, 255));
    EXPECT_EQ(set_.LookupNumber("low"), -1);
    EXPECT_TRUE(set_.ReadNumber("high", false, -1, 255));
    EXPECT_EQ(set_.LookupNumber("high"), 255);
    EXPECT_TRUE(set_.ReadNumber("blanks", false, -1, 255));
    EXPECT_EQ(set_.LookupNumber("blanks"), 7);
    EXPECT_TRUE(set_.ReadNumber("plus", false, -1, 255));
    EXPECT_EQ(set_.LookupNumber("plus"), 5);

    // Out of bounds is refused even for an optional number.
    EXPECT_FALSE(set_.ReadNumber("over", true, -1, 255));
    EXPECT_EQ(set_.RejectedName(), "over");
    EXPECT_EQ(set_.LookupNumber("over"), 0);
}

TEST_F(ParameterSetTest, TextThatIsNoWholeNumberCountsAsUnreadable) {
    const char* texts[] = {"", "abc", "12abc", "1.5", "+-5", "--5", "0x10", "99999999999"};
    for (const char* text : texts) {
        CParamTagBag bag;
        bag.Add("count", text);
        CParameterSet set;
        set.Attach(&bag);
        EXPECT_TRUE(set.ReadNumber("count", true, INT32_MIN, INT32_MAX)) << text;
        EXPECT_EQ(set.LookupNumber("count"), 0) << text;
        EXPECT_FALSE(set.ReadNumber("count", false, INT32_MIN, INT32_MAX)) << text;
        EXPECT_EQ(set.RejectedName(), "count");
    }
}

TEST(ParamTagBagTest, NamesIgnoreAsciiCaseAndTheFirstTagWins) {
    CParamTagBag bag({{"CURL1", "http://a/"}, {"curl1", "http://b/"}, {"x", ""}});
    EXPECT_EQ(bag.Read("curl1"), "http://a/");
    EXPECT_EQ(bag.Read("x"), "");
    EXPECT_EQ(bag.Read("curl"), std::nullopt);
    EXPECT_EQ(bag.Read("curl10"), std::nullopt);
}

}  // namespace
