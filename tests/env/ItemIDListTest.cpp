// Item-identifier lists: their byte layout, the paths they stand for, and
// stored byte strings that must be refused without reading past their end.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "env/ItemIDList.h"
#include "platform/LastError.h"
#include "tests/env/EnvTestHelpers.h"

namespace {

using KIVTOOLCommon::CItemIDList;
using Bytes = std::vector<win::BYTE>;

Bytes B(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Parses from an exactly sized copy, so a sanitizer sees any read past the end.
CItemIDList Parsed(const Bytes& bytes, bool* accepted = nullptr) {
    const auto exact = std::make_unique<win::BYTE[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), exact.get());
    CItemIDList list;
    const bool result = list.Assign(exact.get(), bytes.size());
    if (accepted != nullptr) *accepted = result;
    return list;
}

std::string PathOf(const CItemIDList& list) {
    std::string path = "unchanged";
    if (list.GetPath(path)) return path;
    EXPECT_EQ(path, "");
    return "<no path>";
}

TEST(ItemIDListTest, AFolderIsADriveItemAndOneItemPerFolderName) {
    CItemIDList list;
    ASSERT_TRUE(list.FromPath("Z:\\home\\u"));
    EXPECT_EQ(list.Bytes(), B(std::string("\x06\x00\x2F"
                                          "Z:\\"
                                          "\x07\x00\x31"
                                          "home"
                                          "\x04\x00\x31"
                                          "u"
                                          "\x00\x00",
                                          19)));
    EXPECT_EQ(list.GetSize(), 2u + 6 + 7 + 4);
    EXPECT_EQ(list.ItemCount(), 3u);

    const std::vector<std::pair<std::string, std::string>> roundTrips = {
        {"C:\\Downloads\\", "C:\\Downloads"},
        {"Z:\\", "Z:\\"},
        {"Z:", "Z:\\"},
        {"Z:\\a b\\x.y (2)\\\xE6\x97\xA5\xE6\x9C\xAC",
         "Z:\\a b\\x.y (2)\\\xE6\x97\xA5\xE6\x9C\xAC"},
        {"Z:\\" + std::string(255, 'a'), "Z:\\" + std::string(255, 'a')},
    };
    for (const auto& [input, expected] : roundTrips) {
        CItemIDList built;
        ASSERT_TRUE(built.FromPath(input)) << input;
        const CItemIDList reread = Parsed(built.Bytes());
        EXPECT_EQ(reread, built) << input;
        EXPECT_EQ(PathOf(reread), expected) << input;
    }
}

TEST(ItemIDListTest, ShiftJisTrailBytesAreNotFolderSeparators) {
    envtest::ScopedCodePage shiftJis(win::CP_SHIFT_JIS);
    // U+8868 is 95 5C in Shift-JIS: its trail byte is a backslash.
    const std::string path =
        "Z:\\\x95\x5C\\\x95\x5C"
        "dir";
    CItemIDList list;
    ASSERT_TRUE(list.FromPath(path));
    EXPECT_EQ(list.ItemCount(), 3u);
    EXPECT_EQ(PathOf(Parsed(list.Bytes())), path);
}

TEST(ItemIDListTest, OnlyAbsoluteDriveFolderPathsAreTaken) {
    const std::vector<std::string> refused = {
        "",
        "Z",
        "a\\b",
        "\\\\server\\share",
        "Z:a",
        "1:\\a",
        "Z:\\a\\\\b",
        "Z:\\\\",
        "Z:\\a*b",
        "Z:\\a:b",
        "Z:\\a/b",
        "Z:\\..\\etc",
        "Z:\\.",
        std::string("Z:\\a\0b", 6),
        "Z:\\" + std::string(256, 'n'),
        "Z:\\" + std::string(128, 'a') + "\\" + std::string(128, 'b'),
    };
    for (const std::string& path : refused) {
        CItemIDList list = CItemIDList::Desktop();
        win::SetLastError(0);
        EXPECT_FALSE(list.FromPath(path)) << path;
        EXPECT_TRUE(list.IsEmpty()) << path;
        EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_NAME) << path;
    }
}

TEST(ItemIDListTest, TheEmptyListIsTheDesktopAndNoListIsNothing) {
    envtest::TempFolder home;
    envtest::ScopedEnvVar homeVar("HOME", home.Native());
    envtest::ScopedEnvVar configVar("XDG_CONFIG_HOME", home.Native());
    const CItemIDList desktop = Parsed({0, 0});
    EXPECT_EQ(desktop, CItemIDList::Desktop());
    EXPECT_TRUE(desktop.IsDesktop());
    EXPECT_EQ(desktop.GetSize(), 2u);
    EXPECT_EQ(PathOf(desktop), home.Windows() + "\\Desktop");

    CItemIDList none;
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_FALSE(none.IsDesktop());
    EXPECT_EQ(none.GetSize(), 0u);
    EXPECT_EQ(none.GetList(), nullptr);
    EXPECT_EQ(PathOf(none), "<no path>");
    CItemIDList list = desktop;
    EXPECT_TRUE(list.Assign(nullptr, 10));
    EXPECT_TRUE(list.IsEmpty());
}

TEST(ItemIDListTest, MalformedStoredBytesAreRefusedWithoutReadingPastTheirEnd) {
    const std::vector<std::pair<const char*, Bytes>> malformed = {
        {"nothing", {}},
        {"half a count", {0x06}},
        {"count 1", {0x01, 0x00, 0x00, 0x00}},
        {"count 2 (empty item)", {0x02, 0x00, 0x00, 0x00}},
        {"item cut short", B(std::string("\x06\x00\x2F"
                                         "Z:",
                                         5))},
        {"count beyond the end", B(std::string("\xFF\xFF\x2F"
                                               "Z:\\\x00\x00",
                                               8))},
        {"no terminator", B(std::string("\x06\x00\x2F"
                                        "Z:\\",
                                        6))},
        {"half a terminator", B(std::string("\x06\x00\x2F"
                                            "Z:\\\x00",
                                            7))},
    };
    for (const auto& [what, bytes] : malformed) {
        bool accepted = true;
        win::SetLastError(0);
        EXPECT_TRUE(Parsed(bytes, &accepted).IsEmpty()) << what;
        EXPECT_FALSE(accepted) << what;
        EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA) << what;
    }
    // Bytes after the terminator are not part of the list.
    const CItemIDList list =
        Parsed(B(std::string("\x06\x00\x2F"
                             "Z:\\\x00\x00garbage",
                             15)));
    EXPECT_EQ(list.GetSize(), 8u);
    EXPECT_EQ(PathOf(list), "Z:\\");
}

TEST(ItemIDListTest, ListsWithoutAFileSystemPathAreKeptButGiveNoPath) {
    // Two folder names that are valid alone but make a 260-byte path together.
    std::string tooLong(
        "\x06\x00\x2F"
        "Z:\\",
        6);
    for (int i = 0; i < 2; ++i) tooLong += std::string("\x83\x00\x31", 3) + std::string(128, 'x');
    tooLong += std::string(2, '\0');
    const std::vector<std::pair<const char*, std::string>> pathless = {
        {"virtual item", std::string("\x14\x00\x1F\x50"
                                     "0123456789abcdef"
                                     "\x00\x00",
                                     22)},
        {"virtual below a drive", std::string("\x06\x00\x2F"
                                              "Z:\\"
                                              "\x04\x00\x1F\x01\x00\x00",
                                              12)},
        {"unknown kind", std::string("\x06\x00\x77"
                                     "Z:\\\x00\x00",
                                     8)},
        {"folder first", std::string("\x04\x00\x31"
                                     "a\x00\x00",
                                     6)},
        {"drive twice", std::string("\x06\x00\x2F"
                                    "Z:\\\x06\x00\x2F"
                                    "Y:\\\x00\x00",
                                    14)},
        {"drive text malformed", std::string("\x06\x00\x2F"
                                             "Z:/\x00\x00",
                                             8)},
        {"separator inside a name", std::string("\x06\x00\x2F"
                                                "Z:\\\x06\x00\x31"
                                                "a\\b\x00\x00",
                                                14)},
        {"parent folder name", std::string("\x06\x00\x2F"
                                           "Z:\\\x05\x00\x31"
                                           "..\x00\x00",
                                           13)},
        {"260 bytes", tooLong},
    };
    for (const auto& [what, bytes] : pathless) {
        const CItemIDList list = Parsed(B(bytes));
        EXPECT_EQ(list.GetSize(), bytes.size()) << what;
        EXPECT_EQ(PathOf(list), "<no path>") << what;
    }
    // One byte shorter, the path fits.
    tooLong.erase(9, 1);
    tooLong[6] = '\x82';
    EXPECT_EQ(PathOf(Parsed(B(tooLong))).size(), 259u);
}

TEST(ItemIDListTest, CopiesAreIndependentAndMovesLeaveNone) {
    CItemIDList original;
    ASSERT_TRUE(original.FromPath("Z:\\one"));
    CItemIDList copy(original);
    CItemIDList assigned;
    assigned = original;
    ASSERT_TRUE(original.FromPath("Z:\\two"));
    EXPECT_EQ(PathOf(copy), "Z:\\one");
    EXPECT_EQ(PathOf(assigned), "Z:\\one");

    // Assigning a list its own bytes keeps them.
    EXPECT_TRUE(original.Assign(original.GetList(), original.GetSize()));
    EXPECT_EQ(PathOf(original), "Z:\\two");

    copy = std::move(original);
    EXPECT_TRUE(original.IsEmpty());  // NOLINT(bugprone-use-after-move): defined as none
    EXPECT_EQ(PathOf(copy), "Z:\\two");
}

}  // namespace
