// The destination query: where the folder dialog opens, when the user must
// choose again, how the run ends on a cancel, and what is remembered.
#include <gtest/gtest.h>

#include "tests/control/DestinationTestContext.h"

namespace desttest {
namespace {

const char* const kPrompt = "Select the download folder.";
const char* const kCancelQuestion = "Cancel file download?";
const char* const kNotWritable = "Specify a writable path.";

class DestinationQueryTest : public DestinationTest {};

TEST_F(DestinationQueryTest, FirstRunOpensAtTheDownloadFolderThatIsThereAndRemembersTheChoice) {
    const std::string folder = MakeFolder("Downloads");
    context.browser.steps = {{IDOK, folder}};

    ASSERT_TRUE(query.ChooseDestination());

    ASSERT_EQ(context.browser.calls.size(), 1u);
    const BrowseCall& call = context.browser.calls[0];
    EXPECT_EQ(PathOf(call.initialSelection), folder);
    EXPECT_EQ(call.owner, context.dialogWindow);
    EXPECT_EQ(call.prompt, kPrompt);
    EXPECT_EQ(call.flags, 0x41u);
    // Disabled exactly while the folder dialog was open.
    EXPECT_FALSE(call.browserEnabled);
    EXPECT_TRUE(win::IsWindowEnabled(context.browserWindow));

    EXPECT_EQ(context.destinations, std::vector<std::string>{folder});
    EXPECT_FALSE(context.ResumeAllowed());
    EXPECT_TRUE(context.messages.empty());
    EXPECT_EQ(context.errors.errorCode, 0);
    EXPECT_EQ(StoredFolderBytes(), ListOf(folder).Bytes());
}

TEST_F(DestinationQueryTest, TheDialogOpensAtTheRememberedFolderWhileItIsUsable) {
    const std::string remembered = MakeFolder("last");
    StoreFolderBytes(ListOf(remembered).Bytes());
    context.browser.steps = {{IDOK, remembered}};
    ASSERT_TRUE(query.ChooseDestination());
    EXPECT_EQ(PathOf(context.browser.calls.at(0).initialSelection), remembered);

    const std::string deleted = MakeFolder("gone");
    std::filesystem::remove(home.Native("gone"));
    MakeFile(remembered, "file.txt");
    const std::vector<std::vector<win::BYTE>> unusable = {
        ListOf(deleted).Bytes(),
        ListOf(remembered + "\\file.txt").Bytes(),  // a file, not a folder
        {0x06, 0x00, 0x2F, 'Z', ':'},               // cut short
        {0x14, 0x00, 0x1F, 0x50, 0x00, 0x00},       // count beyond the end
    };
    for (const auto& bytes : unusable) {
        StoreFolderBytes(bytes);
        context.browser.steps = {{IDOK, remembered}};
        context.browser.calls.clear();
        ASSERT_TRUE(query.ChooseDestination());
        EXPECT_EQ(PathOf(context.browser.calls.at(0).initialSelection), home.Windows());
        EXPECT_EQ(StoredFolderBytes(), ListOf(remembered).Bytes());
    }
}

// Without a remembered folder: the XDG download folder, else ~/Downloads,
// else home; never one that is not there.
TEST_F(DestinationQueryTest, WithoutARememberedFolderTheFirstDownloadFolderThereIsOffered) {
    auto firstOffer = [this] {
        StoreFolderBytes({0x06, 0x00, 0x2F, 'Z', ':'});  // nothing usable remembered
        context.browser.calls.clear();
        context.browser.steps = {{IDOK, home.Windows()}};
        EXPECT_TRUE(query.ChooseDestination());
        return PathOf(context.browser.calls.at(0).initialSelection);
    };
    std::filesystem::create_directories(home.Native("config"));
    std::ofstream(home.Native("config") + "/user-dirs.dirs")
        << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n";
    EXPECT_EQ(firstOffer(), home.Windows()) << "neither the Desktop nor a download folder exists";
    const std::string downloads = MakeFolder("Downloads");
    EXPECT_EQ(firstOffer(), downloads);
    const std::string xdgDownloads = MakeFolder("Téléchargements");
    EXPECT_EQ(firstOffer(), xdgDownloads);
}

TEST_F(DestinationQueryTest, AFolderThatCannotBeWrittenIsRefusedAndOffersItselfAgain) {
    const std::string missing = home.Windows() + "\\no such folder";
    const std::string folder = MakeFolder("ok");
    MakeFile(folder, "a regular file");
    const std::string regularFile = folder + "\\a regular file";
    context.browser.steps = {{IDOK, missing}, {IDOK, regularFile}, {IDOK, folder}};
    context.answers = {IDOK, IDOK};

    ASSERT_TRUE(query.ChooseDestination());

    ASSERT_EQ(context.messages.size(), 2u);
    for (const ShownMessage& message : context.messages) {
        EXPECT_EQ(message.text, kNotWritable);
        EXPECT_EQ(message.style, 0u);
    }
    ASSERT_EQ(context.browser.calls.size(), 3u);
    EXPECT_EQ(PathOf(context.browser.calls[1].initialSelection), missing);
    EXPECT_EQ(PathOf(context.browser.calls[2].initialSelection), regularFile);
    EXPECT_EQ(context.destinations, std::vector<std::string>{folder});
}

TEST_F(DestinationQueryTest, CancelThenNoBrowsesAgainAndCancelThenYesEndsTheRunAsCancelled) {
    const std::string remembered = MakeFolder("kept");
    StoreFolderBytes(ListOf(remembered).Bytes());
    context.browser.steps = {{IDCANCEL}, {IDCANCEL}};
    context.answers = {IDNO, IDYES};

    EXPECT_FALSE(query.ChooseDestination());

    EXPECT_EQ(context.errors.errorCode, 1);
    EXPECT_EQ(context.browser.calls.size(), 2u);
    ASSERT_EQ(context.messages.size(), 2u);
    for (const ShownMessage& message : context.messages) {
        EXPECT_EQ(message.text, kCancelQuestion);
        EXPECT_EQ(message.style, 0x34u);
    }
    EXPECT_TRUE(context.destinations.empty());
    EXPECT_EQ(StoredFolderBytes(), ListOf(remembered).Bytes());
    EXPECT_TRUE(win::IsWindowEnabled(context.browserWindow));

    // A question closed by the control (the page was left) is no "No" either.
    context.errors = {};
    context.browser.steps = {{IDCANCEL}};
    context.answers = {IDDISMISSED};
    EXPECT_FALSE(query.ChooseDestination());
    EXPECT_EQ(context.errors.errorCode, 1);
}

TEST_F(DestinationQueryTest, CancellationFromElsewhereEndsTheQueryWithoutAQuestion) {
    // Before the dialog: it is not shown at all.
    context.cancelled = true;
    EXPECT_FALSE(query.ChooseDestination());
    EXPECT_TRUE(context.browser.calls.empty());

    // While it is open (the page was left, the control closed the dialog or
    // the user picked a folder just then): no question, the browser's window
    // usable again, the error state left to the worker, which may already
    // hold another code.
    const std::string folder = MakeFolder("chosen");
    const auto cancel = [this] { context.cancelled = true; };
    for (const BrowseStep& step :
         {BrowseStep(IDCANCEL, "", cancel), BrowseStep(IDOK, folder, cancel)}) {
        context.cancelled = false;
        context.errors.Set(402);
        context.browser.steps = {step};
        EXPECT_FALSE(query.ChooseDestination());
        EXPECT_TRUE(context.messages.empty());
        EXPECT_EQ(context.errors.errorCode, 402);
        EXPECT_TRUE(win::IsWindowEnabled(context.browserWindow));
        EXPECT_TRUE(context.destinations.empty());
        EXPECT_TRUE(StoredFolderBytes().empty());
    }
    EXPECT_EQ(context.browser.calls.size(), 2u);
}

TEST_F(DestinationQueryTest, ReadOnlyFilesThereSendTheUserBackToTheDialogAtThatFolder) {
    const std::string crowded = MakeFolder("crowded");
    const std::string empty = MakeFolder("empty");
    context.AddItem("a.zip");
    context.AddItem("b.zip");
    context.AddItem("c.zip");
    MakeFile(crowded, "a.zip");
    MakeFile(crowded, "c.zip");
    ASSERT_TRUE(win::SetFileAttributes(crowded + "\\c.zip", win::FILE_ATTRIBUTE_READONLY));
    context.browser.steps = {{IDOK, crowded}, {IDOK, empty}};
    context.answers = {IDOK};

    ASSERT_TRUE(query.ChooseDestination());

    ASSERT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.messages[0].text,
              "A file with this filename already exists in the selected folder. Files with "
              "matching filenames are listed below. \n\n"
              "\tc.zip\n"
              "\nCould not process your request. These files are read-only. Either change the "
              "target directory, or remove the read-only attribute.");
    EXPECT_EQ(context.messages[0].style, 0x40u);
    ASSERT_EQ(context.browser.calls.size(), 2u);
    EXPECT_EQ(PathOf(context.browser.calls[1].initialSelection), crowded);
    EXPECT_EQ(context.destinations, std::vector<std::string>{empty});
    EXPECT_EQ(StoredFolderBytes(), ListOf(empty).Bytes());
}

TEST_F(DestinationQueryTest, ExistingFilesAnsweredCancelBrowseAgainAtTheSameFolder) {
    const std::string partial = MakeFolder("partial");
    const std::string other = MakeFolder("other");
    context.AddItem("a.zip");
    context.AddItem("b.zip");
    MakeFile(partial, "a.zip");
    MakeFile(partial, "b.zip");
    context.browser.steps = {{IDOK, partial}, {IDOK, other}};
    context.answers = {IDCANCEL};

    ASSERT_TRUE(query.ChooseDestination());

    EXPECT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.messages[0].style, 0x243u);
    EXPECT_EQ(PathOf(context.browser.calls.at(1).initialSelection), partial);
    EXPECT_EQ(context.destinations, std::vector<std::string>{other});
    EXPECT_FALSE(context.ResumeAllowed());
    EXPECT_EQ(StoredFolderBytes(), ListOf(other).Bytes());
}

TEST_F(DestinationQueryTest, ExistingFilesAnsweredYesOrNoAcceptTheFolder) {
    const std::string partial = MakeFolder("partial");
    context.AddItem("a.zip");
    MakeFile(partial, "a.zip");
    for (const int answer : {IDYES, IDNO}) {
        context.browser.steps = {{IDOK, partial}};
        context.answers = {answer};
        context.destinations.clear();
        ASSERT_TRUE(query.ChooseDestination());
        EXPECT_EQ(context.destinations, std::vector<std::string>{partial});
        EXPECT_EQ(context.ResumeAllowed(), answer == IDYES);
        EXPECT_EQ(StoredFolderBytes(), ListOf(partial).Bytes());
    }
}

TEST_F(DestinationQueryTest, AResumeQuestionClosedBecauseThePageWasLeftAcceptsNothing) {
    const std::string remembered = MakeFolder("kept");
    StoreFolderBytes(ListOf(remembered).Bytes());
    const std::string partial = MakeFolder("partial");
    context.AddItem("a.zip");
    MakeFile(partial, "a.zip");
    context.browser.steps = {{IDOK, partial}};
    context.answers = {IDDISMISSED};

    EXPECT_FALSE(query.ChooseDestination());

    EXPECT_EQ(context.messages.size(), 1u);
    EXPECT_TRUE(context.destinations.empty());
    EXPECT_EQ(StoredFolderBytes(), ListOf(remembered).Bytes());
}

TEST_F(DestinationQueryTest, WithoutAFolderDialogThePhaseFailsAsAnInternalError) {
    context.folderBrowser = nullptr;
    EXPECT_FALSE(query.ChooseDestination());
    EXPECT_EQ(context.errors.errorCode, 999);
}

TEST_F(DestinationQueryTest, ABrowserWindowDisabledByOthersStaysDisabled) {
    win::EnableWindow(context.browserWindow, win::FALSE);
    context.browser.steps = {{IDOK, MakeFolder("x")}};
    ASSERT_TRUE(query.ChooseDestination());
    EXPECT_FALSE(win::IsWindowEnabled(context.browserWindow));

    // No browser window at all is fine too.
    context.browserWindow = nullptr;
    context.browser.browserWindow = nullptr;
    context.browser.steps = {{IDOK, MakeFolder("y")}};
    EXPECT_TRUE(query.ChooseDestination());
}

}  // namespace
}  // namespace desttest
