// The window's stand-ins for the browser, the launcher and the folder dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "env/ItemIDList.h"
#include "frontends/window/WindowBrowserHost.h"
#include "frontends/window/WindowFolderBrowser.h"
#include "frontends/window/WindowLauncher.h"
#include "tests/host/WindowTestSupport.h"

using kivcontrol::IBrowserHost;
using kivcontrol::IFolderBrowser;
using kivcontrol::IPageEvents;

namespace wintest {
namespace {

// A page-event sink that sets a leave text when it has one.
class LeaveTextSink : public IPageEvents {
public:
    explicit LeaveTextSink(IBrowserHost& browser) : browser_(browser) {}
    void OnBeforeUnload() override {
        if (text) accepted = browser_.SetBeforeUnloadText(*text);
    }
    void OnUnload() override { ++unloads; }

    std::optional<std::string> text;
    bool accepted = false;
    int unloads = 0;

private:
    IBrowserHost& browser_;
};

TEST(WindowBrowserHostTest, TakesTheLeaveTextOnlyFromTheCurrentBeforeUnloadEvent) {
    CWindowBrowserHost browser;
    LeaveTextSink page(browser);
    std::uint32_t cookie = 0;
    ASSERT_EQ(browser.ConnectPageEvents(page, cookie), 0);

    EXPECT_FALSE(browser.SetBeforeUnloadText("no event"));
    page.text = "Leave?";
    EXPECT_EQ(browser.FireBeforeUnload(), std::optional<std::string>("Leave?"));
    EXPECT_TRUE(page.accepted);
    // A text belongs to its event: the next one without a text asks nothing.
    page.text.reset();
    EXPECT_EQ(browser.FireBeforeUnload(), std::nullopt);

    browser.DisconnectPageEvents(cookie);
    page.text = "ignored";
    EXPECT_EQ(browser.FireBeforeUnload(), std::nullopt);
    browser.FireUnload();
    EXPECT_EQ(page.unloads, 0);
}

TEST(WindowLauncherTest, OnlyTheFolderOpeningIsHeldBack) {
    envtest::TempFolder root;
    const std::vector<std::string> folder = {"xdg-open", root.Native()};
    const std::vector<std::string> file = {"xdg-open", root.Native("missing.bin")};
    const std::vector<std::string> player = {"vlc", root.Native()};
    RecordingLauncher programs;
    CWindowLauncher noOpen(programs, false);
    EXPECT_FALSE(noOpen.Launch(folder));
    EXPECT_TRUE(noOpen.Launch(file));
    EXPECT_TRUE(noOpen.Launch(player));
    CWindowLauncher open(programs, true);
    EXPECT_TRUE(open.Launch(folder));
    EXPECT_EQ(programs.Launched(), (std::vector<std::vector<std::string>>{file, player, folder}));
}

// The user's dialog: counts its calls and answers Cancel.
class CountingFolderDialog : public IFolderBrowser {
public:
    int Browse(win::HWND, const std::string&, unsigned, const KIVTOOLCommon::CItemIDList&,
               KIVTOOLCommon::CItemIDList&) override {
        ++calls;
        return IDCANCEL;
    }
    int calls = 0;
};

TEST(WindowFolderBrowserTest, TheDestinationAnswersTheFirstDialogOnly) {
    envtest::TempFolder root;
    CountingFolderDialog user;
    CWindowFolderBrowser folders(user, root.Native());
    KIVTOOLCommon::CItemIDList initial;
    KIVTOOLCommon::CItemIDList chosen;
    std::string chosenPath;
    EXPECT_EQ(folders.Browse(nullptr, "Select", 0, initial, chosen), IDOK);
    EXPECT_TRUE(chosen.GetPath(chosenPath));
    EXPECT_EQ(chosenPath, root.Windows());
    EXPECT_EQ(user.calls, 0);
    // Say the control refused it: now the user decides.
    EXPECT_EQ(folders.Browse(nullptr, "Select", 0, initial, chosen), IDCANCEL);
    EXPECT_EQ(user.calls, 1);
}

}  // namespace
}  // namespace wintest
