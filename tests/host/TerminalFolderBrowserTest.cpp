// The folder dialog as a path prompt: the initial folder as default, typed
// paths the native way, the --destination and --yes answers given once, and
// the ways the dialog ends without a folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "env/ItemIDList.h"
#include "frontends/terminal/TerminalFolderBrowser.h"
#include "platform/Language.h"
#include "platform/Message.h"
#include "tests/env/EnvTestHelpers.h"
#include "tests/host/TerminalTestIo.h"

namespace {

using kivterm::CTerminalConsole;
using kivterm::CTerminalFolderBrowser;
using kivterm::TerminalOptions;
using KIVTOOLCommon::CItemIDList;
using termtest::CapturedTerminal;

constexpr const char* kPrompt = "Select the download folder.";

class TerminalFolderBrowserTest : public ::testing::Test {
protected:
    TerminalFolderBrowserTest() {
        win::OverrideLanguage(win::Language::English);
        std::filesystem::create_directories(root_.Native("remembered"));
        std::filesystem::create_directories(root_.Native("chosen"));
        EXPECT_TRUE(initial_.FromPath(root_.Windows("remembered")));
    }
    ~TerminalFolderBrowserTest() override { win::ResetLanguage(); }

    // The native path of what the browser answered; empty for none.
    static std::string NativeOf(const CItemIDList& list) {
        std::string windowsPath;
        std::string native;
        if (!list.GetPath(windowsPath) || !win::ToNativePath(windowsPath, native)) return {};
        return native;
    }

    int Browse(CTerminalFolderBrowser& browser, CItemIDList& result) {
        return browser.Browse(nullptr, kPrompt, 0x41, initial_, result);
    }

    envtest::TempFolder root_;
    CItemIDList initial_;
};

TEST_F(TerminalFolderBrowserTest, TheUserTypesAFolderOrTakesTheInitialOne) {
    envtest::ScopedEnvVar home("HOME", root_.Native());
    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
    terminal.Type("\n~/chosen/\n/tmp/a\\b\n" + root_.Native("chosen/../remembered/.") + "\n");
    CTerminalConsole console(terminal.Io());
    CTerminalFolderBrowser browser(console, TerminalOptions{});

    CItemIDList result;
    EXPECT_EQ(Browse(browser, result), IDOK);
    EXPECT_EQ(NativeOf(result), root_.Native("remembered"));
    EXPECT_EQ(Browse(browser, result), IDOK);
    EXPECT_EQ(NativeOf(result), root_.Native("chosen"));
    // No folder can have a backslash in its name: asked again. "." and ".." resolved.
    EXPECT_EQ(Browse(browser, result), IDOK);
    EXPECT_EQ(NativeOf(result), root_.Native("remembered"));
    const std::string prompt = "[" + root_.Native("remembered") + "]: ";
    EXPECT_NE(terminal.Prompts().find("Browse for Folder: Select the download folder.\n"
                                      "Type a folder; Enter takes the one in brackets, Ctrl+D "
                                      "cancels.\n" +
                                      prompt + "Specify a writable path.\n" + prompt),
              std::string::npos)
        << terminal.Prompts();

    // A relative path starts at the working folder.
    ASSERT_TRUE(kivterm::FolderFromTyped("some/where", result));
    EXPECT_EQ(NativeOf(result), (std::filesystem::current_path() / "some/where").string());
}

// A typed folder that is not there is offered to be made; "n" asks again.
TEST_F(TerminalFolderBrowserTest, AMissingFolderIsMadeOnceTheUserAgrees) {
    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
    terminal.Type(root_.Native("new/sub") + "\nn\n" + root_.Native("new/sub") + "\ny\n");
    CTerminalConsole console(terminal.Io());
    CTerminalFolderBrowser browser(console, TerminalOptions{});

    CItemIDList result;
    EXPECT_EQ(Browse(browser, result), IDOK);
    EXPECT_EQ(NativeOf(result), root_.Native("new/sub"));
    EXPECT_TRUE(std::filesystem::is_directory(root_.Native("new/sub")));
    const std::string question =
        "The folder " + root_.Native("new/sub") + " does not exist. Create it? [Y/n]: ";
    const std::string prompts = terminal.Prompts();
    const std::size_t first = prompts.find(question);
    ASSERT_NE(first, std::string::npos) << prompts;
    EXPECT_NE(prompts.find(question, first + 1), std::string::npos) << prompts;
    EXPECT_TRUE(browser.Refusal().empty());
}

TEST_F(TerminalFolderBrowserTest, TheDestinationOptionAnswersOnceThenNobodyIsAsked) {
    CapturedTerminal terminal;  // no input
    CTerminalConsole console(terminal.Io());
    TerminalOptions options;
    options.destination = root_.Native("chosen");
    CTerminalFolderBrowser browser(console, options);

    CItemIDList result;
    EXPECT_EQ(Browse(browser, result), IDOK);
    EXPECT_EQ(NativeOf(result), root_.Native("chosen"));
    // The control refused it and asks again: an unattended run must not loop.
    EXPECT_EQ(Browse(browser, result), IDCANCEL);
    EXPECT_EQ(Browse(browser, result), IDCANCEL);
    EXPECT_TRUE(browser.Refusal().starts_with("cannot download into " + root_.Native("chosen") +
                                              ": "))
        << browser.Refusal();
    EXPECT_EQ(terminal.Err(), std::string(kPrompt) + "\n" + root_.Native("chosen") + "\n" +
                                  kPrompt + "\nCancel\n" + kPrompt + "\nCancel\n");
}

TEST_F(TerminalFolderBrowserTest, ARefusedDestinationGoesToTheUserWhenThereIsOne) {
    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
    terminal.Type(root_.Native("remembered") + "\n");
    CTerminalConsole console(terminal.Io());
    TerminalOptions options;
    options.destination = root_.Native("chosen");
    CTerminalFolderBrowser browser(console, options);

    CItemIDList result;
    EXPECT_EQ(Browse(browser, result), IDOK);
    EXPECT_EQ(terminal.Prompts(), "");
    EXPECT_EQ(Browse(browser, result), IDOK);
    EXPECT_EQ(NativeOf(result), root_.Native("remembered"));
}

TEST_F(TerminalFolderBrowserTest, YesTakesTheInitialFolderOnce) {
    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);  // --yes asks nobody
    CTerminalConsole console(terminal.Io());
    TerminalOptions options;
    options.assumeYes = true;
    CTerminalFolderBrowser browser(console, options);

    CItemIDList result;
    EXPECT_EQ(Browse(browser, result), IDOK);
    EXPECT_EQ(NativeOf(result), root_.Native("remembered"));
    EXPECT_EQ(Browse(browser, result), IDCANCEL);
    EXPECT_EQ(terminal.Prompts(), "");
}

TEST_F(TerminalFolderBrowserTest, EndOfInputCtrlCAndTheControlsCloseCancelTheDialog) {
    {
        CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
        terminal.CloseInput();
        CTerminalConsole console(terminal.Io());
        CTerminalFolderBrowser browser(console, TerminalOptions{});
        CItemIDList result;
        EXPECT_EQ(Browse(browser, result), IDCANCEL);
    }
    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
    CTerminalConsole console(terminal.Io());
    CTerminalFolderBrowser browser(console, TerminalOptions{});
    CItemIDList result;
    {
        termtest::AskingThread worker([&] { return Browse(browser, result); });
        ASSERT_TRUE(termtest::WaitUntil([&] { return console.QuestionOpen(); }));
        EXPECT_TRUE(console.InterruptQuestion());
        EXPECT_EQ(worker.Result(), IDCANCEL);
    }
    // The control closes the dialog by its title when the page goes away.
    termtest::AskingThread worker([&] { return Browse(browser, result); });
    const win::HWND dialog = termtest::WaitForWindow(worker.Id(), "Browse for Folder");
    ASSERT_NE(dialog, nullptr);
    win::SendMessage(dialog, win::WM_CLOSE, 0, 0);
    EXPECT_EQ(worker.Result(), IDCANCEL);
}

}  // namespace
