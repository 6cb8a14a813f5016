// The existing-file check on its own: which names it lists and in what order,
// the exact resume question, and targets too long to be looked for. The
// answers' outcomes are tested through the whole query.
#include <gtest/gtest.h>

#include "tests/control/DestinationTestContext.h"

namespace desttest {
namespace {

const std::string kExistingHead =
    "A file with this filename already exists in the selected folder. Files with matching "
    "filenames are listed below. \n\n";
const std::string kResumeTail =
    "\nIf these files were created when the previous download was interrupted, you can resume "
    "the download from that point. \nResume the download from the previous point?"
    "\n\n[Yes]: The download will be resumed. Files that have already been downloaded will be "
    "skipped. \n[No]: Existing files will be discarded and download will restart from the "
    "beginning. \n[Cancel]: Select another target directory.";

class DestinationExistingFilesTest : public DestinationTest {
protected:
    const std::string folder = MakeFolder("target");
};

TEST_F(DestinationExistingFilesTest, NoMatchingNameAsksNothingAndResetsResume) {
    context.AddItem("one.bin");
    MakeFile(folder, "unrelated.bin");
    context.resumeAllowedHistory.push_back(true);  // left over from an earlier pass
    EXPECT_FALSE(query.CheckExistingFiles(folder));
    EXPECT_TRUE(context.messages.empty());
    EXPECT_FALSE(context.ResumeAllowed());
}

TEST_F(DestinationExistingFilesTest, TheResumeQuestionListsExistingNamesInItemOrder) {
    for (const char* name : {"one.bin", "two.bin", "three.bin"}) context.AddItem(name);
    MakeFile(folder, "three.bin");
    // A folder of an item's name is in the way just as a file is.
    std::filesystem::create_directory(home.Native("target/one.bin"));
    context.answers = {IDNO};

    EXPECT_FALSE(query.CheckExistingFiles(folder));

    ASSERT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.messages[0].text, kExistingHead + "\tone.bin\n\tthree.bin\n" + kResumeTail);
    EXPECT_EQ(context.messages[0].style, 0x243u);
}

TEST_F(DestinationExistingFilesTest, TargetsTooLongForAPathAreNotLookedFor) {
    // 259 bytes in all are looked for, 260 are not.
    const std::string fits(258 - folder.size(), 'n');
    const std::string tooLong = fits + "n";
    ASSERT_LE(tooLong.size(), 255u);
    MakeFile(folder, fits);
    MakeFile(folder, tooLong);
    context.AddItem(fits);
    context.AddItem(tooLong);
    context.answers = {IDNO};
    EXPECT_FALSE(query.CheckExistingFiles(folder));
    ASSERT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.messages[0].text, kExistingHead + "\t" + fits + "\n" + kResumeTail);
}

}  // namespace
}  // namespace desttest
