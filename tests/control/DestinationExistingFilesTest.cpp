// The existing-file check on its own: which names are listed, the exact
// texts and styles of its two boxes, and what each answer decides.
#include <gtest/gtest.h>

#include "tests/control/DestinationTestContext.h"

namespace desttest {
namespace {

const std::string kExistingHead =
    "A file with this filename already exists in the selected folder. Files with matching "
    "filenames are listed below. \n\n";
const std::string kReadOnlyTail =
    "\nCould not process your request. These files are read-only. Either change the target "
    "directory, or remove the read-only attribute.";
const std::string kResumeTail =
    "\nIf these files were created when the previous download was interrupted, you can resume "
    "the download from that point. \nResume the download from the previous point?"
    "\n\n[Yes]: The download will be resumed. Files that have already been downloaded will be "
    "skipped. \n[No]: Existing files will be discarded and download will restart from the "
    "beginning. \n[Cancel]: Select another target directory.";

class DestinationExistingFilesTest : public DestinationTest {
protected:
    DestinationExistingFilesTest() {
        for (const char* name : {"one.bin", "two.bin", "three.bin"}) context.AddItem(name);
    }
    const std::string folder = MakeFolder("target");
};

TEST_F(DestinationExistingFilesTest, NoMatchingNameAsksNothingAndAcceptsTheFolder) {
    MakeFile(folder, "unrelated.bin");
    context.resumeAllowedHistory.push_back(true);  // left over from an earlier pass
    EXPECT_FALSE(query.CheckExistingFiles(folder));
    EXPECT_TRUE(context.messages.empty());
    EXPECT_FALSE(context.ResumeAllowed());
}

TEST_F(DestinationExistingFilesTest, TheResumeQuestionListsExistingNamesInItemOrder) {
    MakeFile(folder, "three.bin");
    // A folder of an item's name is in the way just as a file is.
    std::filesystem::create_directory(home.Native("target/one.bin"));
    context.answers = {IDNO};

    EXPECT_FALSE(query.CheckExistingFiles(folder));

    ASSERT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.messages[0].text, kExistingHead + "\tone.bin\n\tthree.bin\n" + kResumeTail);
    EXPECT_EQ(context.messages[0].style, 0x243u);
}

TEST_F(DestinationExistingFilesTest, EachAnswerToTheResumeQuestionDecides) {
    MakeFile(folder, "two.bin");
    struct Case {
        int answer;
        bool chooseAgain;
        bool resume;
    };
    for (const Case& c : {Case{IDYES, false, true}, Case{IDNO, false, false},
                          Case{IDCANCEL, true, false}, Case{IDDISMISSED, false, false}}) {
        context.resumeAllowedHistory = {true};
        context.answers = {c.answer};
        EXPECT_EQ(query.CheckExistingFiles(folder), c.chooseAgain) << c.answer;
        EXPECT_EQ(context.ResumeAllowed(), c.resume) << c.answer;
    }
}

TEST_F(DestinationExistingFilesTest, ReadOnlyFilesAreListedAloneAndForceAnotherChoice) {
    MakeFile(folder, "one.bin");
    MakeFile(folder, "two.bin");
    MakeFile(folder, "three.bin");
    ASSERT_TRUE(win::SetFileAttributes(folder + "\\two.bin", win::FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(win::SetFileAttributes(folder + "\\three.bin", win::FILE_ATTRIBUTE_READONLY));
    context.answers = {IDOK};

    EXPECT_TRUE(query.CheckExistingFiles(folder));

    ASSERT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.messages[0].text, kExistingHead + "\ttwo.bin\n\tthree.bin\n" + kReadOnlyTail);
    EXPECT_EQ(context.messages[0].style, 0x40u);
    EXPECT_FALSE(context.ResumeAllowed());
}

TEST_F(DestinationExistingFilesTest, ADriveRootIsJoinedWithoutADoubleSeparator) {
    // "Z:\" is the file system root: the target is "Z:\tmp", not "Z:\\tmp".
    context.items.clear();
    context.AddItem("tmp");  // a folder at the root: listed
    context.answers = {IDNO};
    EXPECT_FALSE(query.CheckExistingFiles("Z:\\"));
    ASSERT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.messages[0].text, kExistingHead + "\ttmp\n" + kResumeTail);
}

TEST_F(DestinationExistingFilesTest, TargetsTooLongForAPathAreNotLookedFor) {
    // Folder and name together reach 260 bytes: no such path can exist there.
    const std::string name(259 - folder.size(), 'n');
    ASSERT_LE(name.size(), 255u);
    MakeFile(folder, name.substr(0, name.size() - 1));
    context.items.clear();
    context.AddItem(name.substr(0, name.size() - 1));  // 259 bytes in all: looked for
    context.AddItem(name);                             // 260 bytes: not
    MakeFile(folder, name);
    context.answers = {IDNO};
    EXPECT_FALSE(query.CheckExistingFiles(folder));
    ASSERT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.messages[0].text,
              kExistingHead + "\t" + name.substr(0, name.size() - 1) + "\n" + kResumeTail);
}

}  // namespace
}  // namespace desttest
