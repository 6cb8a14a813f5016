#include <gtest/gtest.h>

#include "control/ParameterRules.h"
#include "platform/CodePage.h"

using kivcontrol::FileNameFromUrl;

namespace {

TEST(FileNameFromUrlTest, TakesTheLastComponentWithoutQueryOrFragment) {
    EXPECT_EQ(FileNameFromUrl("http://example.com/dir/file.zip?x=1"), "file.zip");
    EXPECT_EQ(FileNameFromUrl("http://example.com/dir/file.zip#part?x"), "file.zip");
    EXPECT_EQ(FileNameFromUrl("http://example.com/setup.exe"), "setup.exe");
    EXPECT_EQ(FileNameFromUrl("http://example.com\\dir\\a.bin"), "a.bin");
}

TEST(FileNameFromUrlTest, FollowsTheShellWhereTheUrlDoesNotEndInAName) {
    // A trailing slash does not count as a separator: the folder and its slash remain.
    EXPECT_EQ(FileNameFromUrl("http://example.com/dir/"), "dir/");
    // Leading delimiters are skipped; a name made of delimiters only is empty.
    EXPECT_EQ(FileNameFromUrl("http://example.com/dir/?get=1"), "get=1");
    EXPECT_EQ(FileNameFromUrl("http://example.com/dir/?#"), "");
    // Separators inside the query count too.
    EXPECT_EQ(FileNameFromUrl("http://example.com/get?path=a/b.txt"), "b.txt");
    EXPECT_EQ(FileNameFromUrl("http://example.com:8080"), "8080");
    EXPECT_EQ(FileNameFromUrl(""), "");
}

TEST(FileNameFromUrlTest, ShiftJisTrailByteIsNoSeparator) {
    const unsigned saved = win::GetProcessCodePage();
    ASSERT_TRUE(win::SetProcessCodePage(win::CP_SHIFT_JIS));
    // 0x83 0x5C is one character whose second byte is a backslash in ASCII.
    const std::string name = FileNameFromUrl("http://example.com/dir/\x83\x5C.zip");
    win::SetProcessCodePage(saved);
    EXPECT_EQ(name, "\x83\x5C.zip");
}

}  // namespace
