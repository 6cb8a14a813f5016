// Checks over the whole of both string tables: completeness, and that every
// Japanese text can stand in for the English one wherever callers use it.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "resources/StringEntry.h"
#include "resources/StringIds.h"

namespace {

using res::StringEntries;
using win::Language;

std::set<unsigned> IdsOf(Language language) {
    std::set<unsigned> ids;
    for (const auto& entry : StringEntries(language)) ids.insert(entry.id);
    return ids;
}

std::vector<std::string> Placeholders(std::string_view text) {
    static const std::regex placeholder(R"(%[-+ 0#]*[0-9]*(\.[0-9]+)?(I64|I32|ll|l|h)?[diuxXs%])");
    std::vector<std::string> found;
    const std::string copy(text);
    for (auto it = std::sregex_iterator(copy.begin(), copy.end(), placeholder);
         it != std::sregex_iterator(); ++it) {
        found.push_back(it->str());
    }
    return found;
}

std::string_view Leading(std::string_view text) {
    return text.substr(0, std::min(text.size(), text.find_first_not_of(" \n\t")));
}

std::string_view Trailing(std::string_view text) {
    const auto last = text.find_last_not_of(" \n\t");
    return last == std::string_view::npos ? text : text.substr(last + 1);
}

std::string JapaneseText(unsigned id) {
    for (const auto& entry : StringEntries(Language::Japanese)) {
        if (entry.id == id) return std::string(entry.text);
    }
    return {};
}

TEST(StringTableData, EnglishHoldsEveryIdInUseAndJapaneseTheSame) {
    const std::set<unsigned> expected{
        1, 2, 4, 5, 6, 7, 13, 14, 15, 16, 19, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33,
        34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57,
        58, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 80, 81, 105, 106, 107, 108, 110, 111,
        112, 113, 114, 115, 116, 119, 120, 200, 234, 235, 236, 238, 239, 240, 241, 242, 243, 244,
        245, 246, 247,
        // The host program's own texts.
        300, 301, 302, 303, 310, 311, 312, 313, 314, 315, 316, 317, 318, 319, 320, 321, 322, 323,
        324, 325, 326, 327, 328, 329, 330, 331, 332, 333, 334, 335,
        // The terminal's own texts.
        420, 421, 422, 423, 424, 425, 426, 427, 428, 429, 430, 431, 432, 433, 434, 435, 436, 437,
        438, 439, 440, 441, 442, 443};
    EXPECT_EQ(IdsOf(Language::English), expected);
    EXPECT_EQ(IdsOf(Language::Japanese), expected);
    // Every id has one name, and every name a text.
    const std::set<unsigned> named(std::begin(textid::kAll), std::end(textid::kAll));
    EXPECT_EQ(named, expected);
    EXPECT_EQ(named.size(), std::size(textid::kAll));
}

// Callers fill placeholders and concatenate entries without knowing the
// language, so each pair must agree on placeholders, line breaks, tabs and the
// blanks at either end.
TEST(StringTableData, EveryJapaneseTextMatchesItsEnglishShape) {
    for (const auto& english : StringEntries(Language::English)) {
        SCOPED_TRACE("id " + std::to_string(english.id));
        const std::string japanese = JapaneseText(english.id);
        ASSERT_FALSE(english.text.empty());
        ASSERT_FALSE(japanese.empty());
        EXPECT_EQ(Placeholders(japanese), Placeholders(english.text));
        EXPECT_EQ(std::count(japanese.begin(), japanese.end(), '\n'),
                  std::count(english.text.begin(), english.text.end(), '\n'));
        EXPECT_EQ(std::count(japanese.begin(), japanese.end(), '\t'),
                  std::count(english.text.begin(), english.text.end(), '\t'));
        EXPECT_EQ(Leading(japanese), Leading(english.text));
        EXPECT_EQ(Trailing(japanese), Trailing(english.text));
    }
}

TEST(StringTableData, EveryJapaneseTextIsTranslatedExceptNames) {
    const std::set<unsigned> sameInBothLanguages{1, 4, 34, 35, 110};
    for (const auto& english : StringEntries(Language::English)) {
        SCOPED_TRACE("id " + std::to_string(english.id));
        EXPECT_EQ(JapaneseText(english.id) == english.text,
                  sameInBothLanguages.contains(english.id));
    }
}

TEST(StringTableData, ProductAndCompanyNamesAreExactInBothLanguages) {
    for (const auto language : {Language::English, Language::Japanese}) {
        const auto entries = StringEntries(language);
        ASSERT_GE(entries.size(), 3u);
        EXPECT_EQ(entries[0].id, 1u);
        EXPECT_EQ(entries[0].text, "Kiv Downloader");
        EXPECT_EQ(entries[2].id, 4u);
        EXPECT_EQ(entries[2].text, "Velmo Co.,Ltd.");
    }
}

TEST(StringTableData, JapaneseTextsAreUtf8AndFitShiftJis) {
    EXPECT_EQ(JapaneseText(200), "\xE5\x85\xA8\xE8\x88\xAC");  // 全般, whatever the compiler
    ASSERT_TRUE(win::SetProcessCodePage(win::CP_SHIFT_JIS));
    for (const auto& entry : StringEntries(Language::Japanese)) {
        std::string converted;
        EXPECT_TRUE(win::Utf8ToProcess(entry.text, converted)) << "id " << entry.id;
    }
    win::SetProcessCodePage(win::CP_UTF8);
}

// The Japanese buttons carry the English mnemonic letter at the end in brackets.
TEST(StringTableData, ButtonMnemonicsAgreeBetweenLanguages) {
    for (unsigned id = 112; id <= 116; ++id) {
        SCOPED_TRACE("id " + std::to_string(id));
        std::string english;
        for (const auto& entry : StringEntries(Language::English)) {
            if (entry.id == id) english = entry.text;
        }
        ASSERT_EQ(english.find('&'), 0u);
        ASSERT_EQ(std::count(english.begin(), english.end(), '&'), 1);
        const std::string japanese = JapaneseText(id);
        EXPECT_TRUE(japanese.ends_with(std::string("(&") + english[1] + ")")) << japanese;
        EXPECT_EQ(std::count(japanese.begin(), japanese.end(), '&'), 1);
    }
}

}  // namespace
