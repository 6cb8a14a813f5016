#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "tests/platform/CoreTestSupport.h"

namespace {

using coretest::ScopedCodePage;

const std::string kSjisHyou = "\x95\x5C";
const std::string kUtf8Hyou = "\xE8\xA1\xA8";

std::string Native(std::string_view windowsPath) {
    std::string native = "<failed>";
    win::ToNativePath(windowsPath, native);
    return native;
}

std::string Windows(std::string_view nativePath) {
    std::string windows = "<failed>";
    win::FromNativePath(nativePath, windows);
    return windows;
}

TEST(CoreNativePath, DriveZIsTheLinuxRoot) {
    EXPECT_EQ(Native("Z:\\home\\u\\Downloads"), "/home/u/Downloads");
    EXPECT_EQ(Native("z:\\home\\u\\"), "/home/u/");
    EXPECT_EQ(Native("Z:"), "/");
    EXPECT_EQ(Native("Z:\\"), "/");
    EXPECT_EQ(Windows("/home/u/Downloads"), "Z:\\home\\u\\Downloads");
    EXPECT_EQ(Windows("/"), "Z:\\");
    EXPECT_EQ(Windows("/home//u///x"), "Z:\\home\\u\\x");
    EXPECT_EQ(Windows("/a b/c.d e"), "Z:\\a b\\c.d e");
}

TEST(CoreNativePath, ToNativeRefusesWhatIsNotOnDriveZ) {
    for (std::string_view path : {"C:\\Windows", "\\\\server\\share\\f", "relative\\f", "", "Z",
                                  "Z:relative", "Z:\\a/b", "\\\\?\\Z:\\f"}) {
        std::string native = "unchanged";
        win::SetLastError(0);
        EXPECT_FALSE(win::ToNativePath(path, native)) << path;
        EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND) << path;
        EXPECT_EQ(native, "unchanged") << path;
    }
    // A NUL would cut the path short at the system call.
    std::string native;
    EXPECT_FALSE(win::ToNativePath(std::string("Z:\\a\0b", 6), native));
}

TEST(CoreNativePath, FromNativeRefusesNamesWindowsCannotHold) {
    for (std::string_view path :
         {"", "relative/x", "/a\\b", "/a:b", "/a*b", "/a?b", "/a\"b", "/a<b", "/a>b", "/a|b"}) {
        std::string windows = "unchanged";
        win::SetLastError(0);
        EXPECT_FALSE(win::FromNativePath(path, windows)) << path;
        EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_NAME) << path;
        EXPECT_EQ(windows, "unchanged") << path;
    }
    std::string windows;
    EXPECT_FALSE(win::FromNativePath(std::string("/a\0b", 4), windows));
}

TEST(CoreNativePath, ShiftJisTrailBackslashIsNotASeparator) {
    ScopedCodePage scope(win::CP_SHIFT_JIS);
    EXPECT_EQ(Native("Z:\\tmp\\" + kSjisHyou + "\\f"), "/tmp/" + kUtf8Hyou + "/f");
    EXPECT_EQ(Windows("/tmp/" + kUtf8Hyou), "Z:\\tmp\\" + kSjisHyou);
}

TEST(CoreNativePath, ShiftJisRefusesUnconvertibleTexts) {
    ScopedCodePage scope(win::CP_SHIFT_JIS);
    std::string out = "unchanged";
    EXPECT_FALSE(win::ToNativePath("Z:\\tmp\\\x95", out));  // truncated lead byte
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_NAME);
    EXPECT_FALSE(win::ToNativePath("Z:\\\x95/x", out));  // '/' after a lone lead byte is seen
    EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(win::FromNativePath("/tmp/\xF0\x9F\x98\x80", out));  // not in 932
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_NAME);
    EXPECT_EQ(out, "unchanged");
}

}  // namespace
