#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EnvTestHelpers.h"
#include "env/PathRules.h"

namespace {

using env::AddTrailingBackslash;
using env::IsReservedDeviceName;
using env::IsUpperHexText;
using env::IsValidFileName;
using env::IsValidFullPath;
using env::RemoveExtension;
using env::SplitComponents;
using Components = std::vector<std::string>;

// Shift-JIS characters whose second byte is a sign that matters to the rules.
constexpr const char* kSjisTrailBackslash = "\x95\x5C";  // U+8868, trail byte '\'
constexpr const char* kSjisTrailBar = "\x83\x7C";        // U+30DD, trail byte '|'

TEST(IsValidFileName, AcceptsOrdinaryNamesUpTo255Bytes) {
    EXPECT_TRUE(IsValidFileName("report.pdf"));
    EXPECT_TRUE(IsValidFileName(".profile"));
    EXPECT_TRUE(IsValidFileName("..."));
    EXPECT_TRUE(IsValidFileName(std::string(255, 'a')));
    EXPECT_FALSE(IsValidFileName(std::string(256, 'a')));
    EXPECT_FALSE(IsValidFileName(""));
}

TEST(IsValidFileName, RefusesEachForbiddenCharacter) {
    for (const char* name :
         {"a/b", "a:b", "what?", "x|y", "dir\\name", "a*b", "a\"b", "a<b", "a>b"}) {
        EXPECT_FALSE(IsValidFileName(name)) << name;
    }
}

TEST(IsValidFileName, RefusesNamesOfTheFolderAndItsParent) {
    EXPECT_FALSE(IsValidFileName("."));
    EXPECT_FALSE(IsValidFileName(".."));
}

TEST(IsValidFileName, RefusesControlCharacters) {
    EXPECT_FALSE(IsValidFileName(std::string("ok\0.exe", 7)));
    for (int c = 1; c < 0x20; ++c) {
        EXPECT_FALSE(IsValidFileName("a" + std::string(1, static_cast<char>(c)) + "b")) << c;
    }
    EXPECT_FALSE(IsValidFileName("a\x7F"));
    EXPECT_FALSE(IsValidFileName("\x1B]52;c;cm0gLXJm\x07notes.txt"));
    EXPECT_TRUE(IsValidFileName("~ !#$%&'()+,;=@[]^_`{}"));
}

TEST(IsValidFileName, RefusesReservedDeviceNames) {
    for (const char* name : {"con", "Con.txt", "com1.dat", "lpt9", "clock$", "NUL.", "Aux"}) {
        EXPECT_FALSE(IsValidFileName(name)) << name;
    }
}

TEST(IsValidFileName, AcceptsNamesThatOnlyResembleDevices) {
    for (const char* name : {"COM0", "COM10", "LPT0", "console", "CON.tar.gz", "NULL", "CON.a b",
                             "CLOCK", "PRN.a.b"}) {
        EXPECT_TRUE(IsValidFileName(name)) << name;
    }
}

TEST(IsValidFileName, TrimsSpacesAroundReservedNames) {
    EXPECT_FALSE(IsValidFileName("  CON  "));
    EXPECT_FALSE(IsValidFileName("\tprn"));
}

TEST(IsReservedDeviceName, CoversEveryNumberedDeviceInAnyCase) {
    for (char digit = '1'; digit <= '9'; ++digit) {
        EXPECT_TRUE(IsReservedDeviceName(std::string("COM") + digit));
        EXPECT_TRUE(IsReservedDeviceName(std::string("lPt") + digit + ".log"));
    }
    EXPECT_FALSE(IsReservedDeviceName("COMA"));
    EXPECT_FALSE(IsReservedDeviceName("\"AUX\""));  // trimming is the splitter's job
}

TEST(HasNoReservedComponent, TrimsEachComponentBeforeTheTest) {
    EXPECT_FALSE(env::HasNoReservedComponent("dir\\\"AUX\"\\f"));
    EXPECT_FALSE(env::HasNoReservedComponent("C:\\ CON \\x"));
    EXPECT_TRUE(env::HasNoReservedComponent("C:\\a\\b"));
    EXPECT_TRUE(env::HasNoReservedComponent(""));
}

TEST(RemoveExtension, FollowsThePlatformsExtensionRule) {
    EXPECT_EQ(RemoveExtension("CON.txt"), "CON");
    EXPECT_EQ(RemoveExtension("NUL."), "NUL");
    EXPECT_EQ(RemoveExtension("PRN.a.b"), "PRN.a");
    EXPECT_EQ(RemoveExtension("CON.a b"), "CON.a b");
    EXPECT_EQ(RemoveExtension("a.b c.d"), "a.b c");
    EXPECT_EQ(RemoveExtension("dir.d\\file"), "dir.d\\file");
    EXPECT_EQ(RemoveExtension("noext"), "noext");
    EXPECT_EQ(RemoveExtension(".profile"), "");
}

TEST(SplitComponents, DropsEmptyRunsAndTrimsSpacesThenQuotes) {
    EXPECT_EQ(SplitComponents("\\\\a\\\\b\\", "\\"), (Components{"a", "b"}));
    EXPECT_EQ(SplitComponents("a/b\\c", "/\\"), (Components{"a", "b", "c"}));
    EXPECT_EQ(SplitComponents(" \"x\" \\ y ", "\\"), (Components{"x", "y"}));
    // Spaces inside the quotes stay: white space is trimmed before the quotes.
    EXPECT_EQ(SplitComponents("\" y \"", "\\"), (Components{" y "}));
    EXPECT_EQ(SplitComponents("", "\\"), Components{});
    EXPECT_EQ(SplitComponents("\\\\\\", "\\"), Components{});
}

TEST(IsValidFullPath, AcceptsDriveAndSharePaths) {
    EXPECT_TRUE(IsValidFullPath("C:\\Downloads\\file.bin"));
    EXPECT_TRUE(IsValidFullPath("z:\\"));
    EXPECT_TRUE(IsValidFullPath("\\\\server\\share\\f.bin"));
}

TEST(IsValidFullPath, RefusesMalformedPaths) {
    for (const char* path : {"C:", "C:file", "Downloads\\file", "C:\\a?b", "C:\\a\\b:c", "C:\\a/b",
                             "\\\\?\\C:\\f.bin", "1:\\x", "\\server\\x", ""}) {
        EXPECT_FALSE(IsValidFullPath(path)) << path;
    }
}

TEST(IsValidFullPath, ExaminesEveryComponent) {
    EXPECT_FALSE(IsValidFullPath("C:\\dir\\AUX\\f.txt"));
    EXPECT_FALSE(IsValidFullPath("\\\\PRN\\share"));
    EXPECT_FALSE(IsValidFullPath("C:\\dir\\ nul.txt"));
    EXPECT_TRUE(IsValidFullPath("C:\\dir\\AUXILIARY\\f.txt"));
}

TEST(IsValidFullPath, LimitsLengthTo259Bytes) {
    const std::string prefix = "C:\\";
    EXPECT_TRUE(IsValidFullPath(prefix + std::string(256, 'a')));  // 259 bytes
    EXPECT_FALSE(IsValidFullPath(prefix + std::string(257, 'a')));
}

TEST(PathForms, BareSharePrefixPassesDeviceNamespaceDoesNot) {
    EXPECT_TRUE(env::IsUncPath("\\\\"));
    EXPECT_FALSE(env::IsUncPath("\\\\?"));
    EXPECT_FALSE(env::IsDrivePath("C:"));
}

TEST(AddTrailingBackslash, LeavesExactlyOne) {
    EXPECT_EQ(AddTrailingBackslash("C:\\dir\\\\"), "C:\\dir\\");
    EXPECT_EQ(AddTrailingBackslash("C:\\dir"), "C:\\dir\\");
    EXPECT_EQ(AddTrailingBackslash("\\\\\\"), "\\");
    EXPECT_EQ(AddTrailingBackslash(""), "\\");
}

TEST(IsUpperHexText, AcceptsEvenRunsOfUpperCaseDigits) {
    EXPECT_TRUE(IsUpperHexText(""));
    EXPECT_TRUE(IsUpperHexText("0A1B"));
    EXPECT_TRUE(IsUpperHexText("1234567890ABCDEF"));
    EXPECT_FALSE(IsUpperHexText("0a1b"));
    EXPECT_FALSE(IsUpperHexText("ABC"));
    EXPECT_FALSE(IsUpperHexText("0G"));
    EXPECT_FALSE(IsUpperHexText("0A 1"));
}

class ShiftJisPathRules : public ::testing::Test {
protected:
    envtest::ScopedCodePage codePage_{win::CP_SHIFT_JIS};
};

TEST_F(ShiftJisPathRules, TrailBytesAreNotSigns) {
    EXPECT_TRUE(IsValidFileName(std::string(kSjisTrailBackslash) + ".txt"));
    EXPECT_TRUE(IsValidFileName(std::string(kSjisTrailBar) + ".txt"));
    EXPECT_TRUE(IsValidFullPath(std::string("C:\\") + kSjisTrailBar + "\\" + kSjisTrailBackslash));
}

TEST_F(ShiftJisPathRules, SignsAfterADoubleByteCharacterStillCount) {
    EXPECT_FALSE(IsValidFileName(std::string(kSjisTrailBackslash) + "|"));
    EXPECT_FALSE(IsValidFullPath(std::string("C:\\") + kSjisTrailBackslash + "\\CON"));
}

TEST_F(ShiftJisPathRules, SplitKeepsDoubleByteCharactersWhole) {
    const std::string text = std::string("a\\") + kSjisTrailBackslash + "b";
    EXPECT_EQ(SplitComponents(text, "\\"),
              (Components{"a", std::string(kSjisTrailBackslash) + "b"}));
}

TEST_F(ShiftJisPathRules, TrailingBackslashOfACharacterIsKept) {
    const std::string folder = std::string("C:\\") + kSjisTrailBackslash;
    EXPECT_EQ(AddTrailingBackslash(folder), folder + "\\");
    EXPECT_EQ(AddTrailingBackslash(folder + "\\\\"), folder + "\\");
}

// As browsers replace them in download names: C1 controls, bidirectional
// overrides and isolates, and the other invisible format characters.
TEST(Utf8PathRules, RefusesInvisibleCharacters) {
    envtest::ScopedCodePage codePage{win::CP_UTF8};
    for (const char* name :
         {"invoice\u202Enib.exe", "a\u009B2J.txt", "a\u0080", "a\u009F", "\u202Aa", "a\u202E",
          "\u2066x\u2069.txt", "zero\u200Bwidth", "a\u200E.txt", "\uFEFFbom.txt", "a\u00AD.exe",
          "tag\U000E0041.txt", "a\u061C.txt"}) {
        EXPECT_FALSE(IsValidFileName(name)) << name;
    }
    for (const char* name : {"caf\u00E9.txt", "\u00A0nbsp", "\u0645\u0631\u062D\u0628\u0627.pdf",
                             "\u2030.txt", "\U0001F600.png", "\u2070.txt"}) {
        EXPECT_TRUE(IsValidFileName(name)) << name;
    }
}

TEST(Utf8PathRules, TheSameBytesHoldARealBackslash) {
    // In UTF-8 the byte 0x5C is always a backslash: the code page decides.
    envtest::ScopedCodePage codePage{win::CP_UTF8};
    EXPECT_FALSE(IsValidFileName(std::string(kSjisTrailBackslash) + ".txt"));
    EXPECT_TRUE(IsValidFileName("\xE8\xA1\xA8.txt"));
}

}  // namespace
