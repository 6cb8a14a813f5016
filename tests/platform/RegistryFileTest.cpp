// The store file's text: every type written as the registry editor writes it,
// read back byte for byte, and lines that do not parse never lost.
#include <gtest/gtest.h>

#include <string>

#include "platform/Registry.h"
#include "platform/RegistryFile.h"

namespace {

using win::registry::Document;
using win::registry::Entry;
using win::registry::FormatRegistryText;
using win::registry::FormatValueLines;
using win::registry::ParseRegistryText;
using win::registry::Section;
using win::registry::Value;

std::string Bytes(std::initializer_list<unsigned char> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

Document Parse(const std::string& text) {
    Document document;
    EXPECT_TRUE(ParseRegistryText(text, document));
    return document;
}

// The value of that name in the section of that header, or none.
const Value* FindIn(const Document& document, const std::string& header, const std::string& name) {
    for (const Section& section : document.sections) {
        if (section.path.empty() || section.headerLine != "[" + header + "]") continue;
        for (const Entry& entry : section.entries) {
            if (entry.value && entry.value->name == name) return &*entry.value;
        }
    }
    return nullptr;
}

// Each value as one line of a key, and the value read back from that line.
TEST(RegistryFileTest, ValuesAreWrittenSoThatTheyReadBackExactly) {
    const struct {
        Value value;
        const char* line;
    } cases[] = {
        {{"", win::REG_SZ, std::string("x", 2)}, "@=\"x\""},
        {{"q\"\\", win::REG_SZ, std::string("C:\\\"a\"", 7)}, "\"q\\\"\\\\\"=\"C:\\\\\\\"a\\\"\""},
        {{"Empty", win::REG_SZ, std::string("\0", 1)}, "\"Empty\"=\"\""},
        // Strings that would not read back from quotes: no terminator, an
        // inner zero, a line break, no bytes at all.
        {{"a", win::REG_SZ, "x"}, "\"a\"=hex(1):78"},
        {{"a", win::REG_SZ, std::string("x\0y\0", 4)}, "\"a\"=hex(1):78,00,79,00"},
        {{"a", win::REG_SZ, std::string("a\r\nb\0", 5)}, "\"a\"=hex(1):61,0d,0a,62,00"},
        {{"a", win::REG_SZ, ""}, "\"a\"=hex(1):"},
        {{"a", win::REG_DWORD, Bytes({0xef, 0xbe, 0xad, 0xde})}, "\"a\"=dword:deadbeef"},
        {{"a", win::REG_DWORD, Bytes({1, 2})}, "\"a\"=hex(4):01,02"},
        {{"a", win::REG_BINARY, ""}, "\"a\"=hex:"},
        {{"a", win::REG_NONE, Bytes({0})}, "\"a\"=hex(0):00"},
        {{"a", 0x12345, "z"}, "\"a\"=hex(12345):7a"},
    };
    for (const auto& each : cases) {
        EXPECT_EQ(FormatValueLines(each.value), std::string(each.line) + "\r\n");
        Document document =
            Parse("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n" +
                  FormatValueLines(each.value));
        const Value* read = FindIn(document, "HKEY_CURRENT_USER\\K", each.value.name);
        ASSERT_NE(read, nullptr) << each.line;
        EXPECT_EQ(read->type, each.value.type) << each.line;
        EXPECT_EQ(read->data, each.value.data) << each.line;
    }
}

TEST(RegistryFileTest, LongHexDataWrapsLikeTheRegistryEditorAndReadsBack) {
    std::string data;
    for (int i = 0; i < 100; ++i) data += static_cast<char>(i * 7);
    Value value{"DownloadedFilesPath", win::REG_BINARY, data};
    std::string lines = FormatValueLines(value);
    // 26 characters of name and prefix leave room for 17 bytes on the first line,
    // then 25 bytes per continuation line; 100 = 17 + 25 + 25 + 25 + 8.
    EXPECT_TRUE(lines.starts_with("\"DownloadedFilesPath\"=hex:00,07,0e,"));
    std::size_t first = lines.find("\r\n");
    EXPECT_EQ(first, 26u + 17 * 3 + 1);
    EXPECT_EQ(lines.substr(first - 4, 6), "70,\\\r\n");
    EXPECT_EQ(lines.substr(first + 2, 5), "  77,");
    std::size_t lineCount = 0;
    for (std::size_t pos = 0; (pos = lines.find("\r\n", pos)) != std::string::npos; pos += 2) {
        ++lineCount;
    }
    EXPECT_EQ(lineCount, 5u);

    std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n" + lines + "\r\n";
    Document document = Parse(text);
    const Value* read = FindIn(document, "HKEY_CURRENT_USER\\K", "DownloadedFilesPath");
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->data, data);
    EXPECT_EQ(FormatRegistryText(document), text);
}

TEST(RegistryFileTest, ReadsWhatOtherEditorsWrite) {
    Document document = Parse(
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
        "\n"
        "[HKEY_CURRENT_USER\\K]  \n"
        "\"Upper\"=hex:AB,Cd,\\\n"
        "   0F \n"
        "\"Esc\"=\"a\\nb\"\n"
        "\"Short\"=dword:7\n");
    const std::string key = "HKEY_CURRENT_USER\\K";
    ASSERT_NE(FindIn(document, key, "Upper"), nullptr);
    EXPECT_EQ(FindIn(document, key, "Upper")->data, Bytes({0xab, 0xcd, 0x0f}));
    ASSERT_NE(FindIn(document, key, "Esc"), nullptr);
    EXPECT_EQ(FindIn(document, key, "Esc")->data, std::string("a\nb\0", 4));
    ASSERT_NE(FindIn(document, key, "Short"), nullptr);
    EXPECT_EQ(FindIn(document, key, "Short")->data, Bytes({7, 0, 0, 0}));
}

TEST(RegistryFileTest, LinesThatDoNotParseAreIgnoredButKept) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment before any key\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\K]\r\n"
        "\"Good\"=\"1\"\r\n"
        "garbage without quotes\r\n"
        "\"BadHex\"=hex:zz,01\r\n"
        "\"BadEscape\"=\"a\\qb\"\r\n"
        "\"Trailing\"=\"a\" junk\r\n"
        "\"Cut\"=hex:01,\\\r\n"
        "\r\n"
        "[-HKEY_CURRENT_USER\\Deleted]\r\n"
        "\"Inert\"=\"2\"\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Next]\r\n"
        "\"After\"=\"3\"\r\n"
        "\r\n";
    Document document = Parse(text);
    ASSERT_EQ(document.sections.size(), 3u);
    EXPECT_EQ(document.sections[0].entries.size(), 6u);
    EXPECT_NE(FindIn(document, "HKEY_CURRENT_USER\\K", "Good"), nullptr);
    for (const char* broken : {"BadHex", "BadEscape", "Trailing", "Cut"}) {
        EXPECT_EQ(FindIn(document, "HKEY_CURRENT_USER\\K", broken), nullptr) << broken;
    }
    EXPECT_TRUE(document.sections[1].path.empty());
    // A cut-off continuation must not swallow the next section's header.
    EXPECT_NE(FindIn(document, "HKEY_CURRENT_USER\\Next", "After"), nullptr);
    EXPECT_EQ(FormatRegistryText(document), text);
}

// Hex data cut short by a blank line, or by a section whose key is merged
// with an earlier one, must not take in the next value when rewritten.
TEST(RegistryFileTest, HexDataCutShortStaysApartFromWhatFollowsItOnRewrite) {
    Document document = Parse(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\K]\r\n\"Cut\"=hex:01,\\\r\n\r\n\"After\"=\"1\"\r\n"
        "[HKEY_CURRENT_USER\\L]\r\n\"Also\"=hex:02,\\\r\n"
        "[HKEY_CURRENT_USER\\l]\r\n\"Merged\"=\"2\"\r\n");
    for (int rewrite = 0; rewrite < 2; ++rewrite) {
        document = Parse(FormatRegistryText(document));
        ASSERT_NE(FindIn(document, "HKEY_CURRENT_USER\\K", "After"), nullptr) << rewrite;
        ASSERT_NE(FindIn(document, "HKEY_CURRENT_USER\\L", "Merged"), nullptr) << rewrite;
    }
}

TEST(RegistryFileTest, RepeatedKeysMergeAndTheFirstValueOfANameCounts) {
    Document document = Parse(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\K]\r\n\"A\"=\"first\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\k]\r\n\"a\"=\"second\"\r\n\"B\"=\"b\"\r\n\r\n");
    ASSERT_EQ(document.sections.size(), 1u);
    const Value* a = FindIn(document, "HKEY_CURRENT_USER\\K", "A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->data, std::string("first", 6));
    EXPECT_NE(FindIn(document, "HKEY_CURRENT_USER\\K", "B"), nullptr);
    // The shadowed line is still written back.
    EXPECT_NE(FormatRegistryText(document).find("\"a\"=\"second\""), std::string::npos);
}

TEST(RegistryFileTest, OnlyTextsWithTheHeaderAreStores) {
    Document document;
    EXPECT_TRUE(ParseRegistryText("", document));
    EXPECT_TRUE(ParseRegistryText("\r\n\n", document));
    EXPECT_FALSE(ParseRegistryText("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n", document));
    EXPECT_FALSE(ParseRegistryText(std::string("W\0i\0n\0", 6), document));
    EXPECT_TRUE(ParseRegistryText("Windows Registry Editor Version 5.00", document));
    EXPECT_TRUE(document.sections.empty());
}

TEST(RegistryFileTest, NamesWithLineBreaksStayVerbatim) {
    // "\n" in a name cannot be written back inside quotes, so the line is kept as it is.
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\K]\r\n\"a\\nb\"=\"x\"\r\n\r\n";
    Document document = Parse(text);
    ASSERT_EQ(document.sections.size(), 1u);
    ASSERT_EQ(document.sections[0].entries.size(), 1u);
    EXPECT_FALSE(document.sections[0].entries[0].value.has_value());
    EXPECT_EQ(FormatRegistryText(document), text);
}

}  // namespace
