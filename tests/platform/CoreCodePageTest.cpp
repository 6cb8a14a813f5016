#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "tests/platform/CoreTestSupport.h"

namespace {

using coretest::ScopedCodePage;

// Shift-JIS bytes of U+8868 (hyou), whose trail byte is the backslash code.
const std::string kSjisHyou = "\x95\x5C";
const std::string kUtf8Hyou = "\xE8\xA1\xA8";
// U+30BD (katakana so), the other well-known 0x5C trail byte.
const std::string kSjisSo = "\x83\x5C";

std::vector<std::size_t> CharStarts(std::string_view text) {
    std::vector<std::size_t> starts;
    for (std::size_t pos = 0; pos < text.size(); pos = win::CharNext(text, pos)) {
        starts.push_back(pos);
    }
    return starts;
}

TEST(CoreCodePage, ProcessCodePageDefaultsToUtf8AndAcceptsOnlyTheTwoPages) {
    EXPECT_EQ(win::GetProcessCodePage(), win::CP_UTF8);
    ScopedCodePage scope(win::CP_UTF8);
    EXPECT_FALSE(win::SetProcessCodePage(1252));
    EXPECT_EQ(win::GetProcessCodePage(), win::CP_UTF8);
    EXPECT_TRUE(win::SetProcessCodePage(win::CP_SHIFT_JIS));
    EXPECT_EQ(win::GetProcessCodePage(), win::CP_SHIFT_JIS);
}

TEST(CoreCodePage, ShiftJisLeadBytesAreTheTwoRanges) {
    for (int byte = 0; byte < 256; ++byte) {
        bool expected = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        auto b = static_cast<unsigned char>(byte);
        EXPECT_EQ(win::IsDBCSLeadByte(b, win::CP_SHIFT_JIS), expected) << byte;
        EXPECT_FALSE(win::IsDBCSLeadByte(b, win::CP_UTF8)) << byte;
    }
    ScopedCodePage scope(win::CP_SHIFT_JIS);
    EXPECT_TRUE(win::IsDBCSLeadByte(0x95));
    EXPECT_FALSE(win::IsDBCSLeadByte(0x5C));
}

TEST(CoreCodePage, ShiftJisWalkKeepsBackslashTrailByteInsideItsCharacter) {
    ScopedCodePage scope(win::CP_SHIFT_JIS);
    std::string text = "a" + kSjisHyou + "\\" + kSjisSo;
    EXPECT_EQ(CharStarts(text), (std::vector<std::size_t>{0, 1, 3, 4}));
    EXPECT_EQ(win::CharLength(text, 1), 2u);
    EXPECT_EQ(win::LastCharStart(text), 4u);
    EXPECT_EQ(win::LastCharStart(kSjisHyou), 0u);  // not 1: 0x5C there is a trail byte
    // Half-width katakana (0xA1-0xDF) are single bytes.
    EXPECT_EQ(win::CharLength("\xB1\x5C", 0), 1u);
}

TEST(CoreCodePage, ShiftJisTruncatedOrBrokenCharacterNeverRunsPastTheEnd) {
    ScopedCodePage scope(win::CP_SHIFT_JIS);
    std::string truncated = "ab\x95";
    EXPECT_EQ(win::CharLength(truncated, 2), 1u);
    EXPECT_EQ(win::CharNext(truncated, 2), 3u);
    EXPECT_EQ(win::LastCharStart(truncated), 2u);
    // A lead byte followed by a byte that cannot be a trail byte stands alone,
    // so the '/' or ':' after it is still seen.
    EXPECT_EQ(CharStarts("\x95/\x81:"), (std::vector<std::size_t>{0, 1, 2, 3}));
    EXPECT_EQ(win::CharLength(std::string("\x95\0", 2), 0), 1u);
}

TEST(CoreCodePage, Utf8WalkFollowsSequencesAndSplitsMalformedOnes) {
    ScopedCodePage scope(win::CP_UTF8);
    std::string text = "a" + kUtf8Hyou + "\xF0\x9F\x98\x80" + "\\";
    EXPECT_EQ(CharStarts(text), (std::vector<std::size_t>{0, 1, 4, 8}));
    EXPECT_EQ(win::LastCharStart(text), 8u);
    // Truncated at the end, a lone continuation byte, an overlong '/' and a
    // surrogate: every byte is then a character of its own.
    EXPECT_EQ(CharStarts("\xE8\xA1"), (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(CharStarts("\xA1x"), (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(CharStarts("\xC0\xAF"), (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(CharStarts("\xED\xA0\x80"), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(CharStarts("\xE8/\xA8"), (std::vector<std::size_t>{0, 1, 2}));
}

TEST(CoreCodePage, WalksStopAtTheEnd) {
    for (unsigned codePage : {win::CP_UTF8, win::CP_SHIFT_JIS}) {
        ScopedCodePage scope(codePage);
        EXPECT_EQ(win::LastCharStart(""), std::string_view::npos);
        EXPECT_EQ(win::CharLength("ab", 2), 0u);
        EXPECT_EQ(win::CharNext("ab", 2), 2u);
        EXPECT_EQ(win::CharNext("ab", 7), 2u);
    }
}

TEST(CoreCodePage, ShiftJisConversionsRoundTripWithMicrosoftMapping) {
    ScopedCodePage scope(win::CP_SHIFT_JIS);
    std::string sjis;
    std::string utf8;
    // Backslash and tilde stay themselves (JIS would make them yen and overline).
    ASSERT_TRUE(win::Utf8ToProcess("C:\\~" + kUtf8Hyou, sjis));
    EXPECT_EQ(sjis, "C:\\~" + kSjisHyou);
    ASSERT_TRUE(win::ProcessToUtf8(sjis, utf8));
    EXPECT_EQ(utf8, "C:\\~" + kUtf8Hyou);
    // A long text forces the output buffer to grow.
    std::string longText;
    for (int i = 0; i < 3000; ++i) longText += kUtf8Hyou;
    ASSERT_TRUE(win::Utf8ToProcess(longText, sjis));
    EXPECT_EQ(sjis.size(), 6000u);
    ASSERT_TRUE(win::ProcessToUtf8(sjis, utf8));
    EXPECT_EQ(utf8, longText);
}

TEST(CoreCodePage, ShiftJisConversionsRefuseWhatCannotBeRepresented) {
    ScopedCodePage scope(win::CP_SHIFT_JIS);
    std::string out = "unchanged";
    EXPECT_FALSE(win::Utf8ToProcess("\xF0\x9F\x98\x80", out));  // emoji: not in 932
    EXPECT_FALSE(win::Utf8ToProcess("a\xE8\xA1", out));         // truncated UTF-8
    EXPECT_FALSE(win::ProcessToUtf8("ab\x95", out));            // truncated lead byte
    EXPECT_FALSE(win::ProcessToUtf8("\x95/", out));             // lead byte without trail
    EXPECT_EQ(out, "unchanged");
}

}  // namespace
