// Message boxes on the terminal: the buttons a box offers and how an answer
// is read, messages that ask nothing, answers from the options, the
// unattended answers, and boxes the control ends from outside.
#include <gtest/gtest.h>

#include "frontends/terminal/TerminalButtons.h"
#include "frontends/terminal/TerminalMessageBox.h"
#include "frontends/terminal/TerminalProxyPrompt.h"
#include "platform/Language.h"
#include "platform/Message.h"
#include "tests/host/TerminalTestIo.h"
#include "transfer/ControlMessages.h"

using kivcontrol::ExistingFiles;

using kivtransfer::CONTENTDATA;

namespace {

using kivterm::CTerminalButtons;
using kivterm::CTerminalConsole;
using kivterm::CTerminalMessageBoxService;
using kivterm::TerminalOptions;
using termtest::CapturedTerminal;

constexpr unsigned kExistingFilesStyle = MB_YESNOCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON3;
constexpr unsigned kCancelQuestionStyle = MB_YESNO | MB_ICONEXCLAMATION;
constexpr unsigned kAlreadyRunningStyle = MB_RETRYCANCEL | MB_ICONEXCLAMATION;

class TerminalMessageBoxTest : public ::testing::Test {
protected:
    TerminalMessageBoxTest() { win::OverrideLanguage(win::Language::English); }
    ~TerminalMessageBoxTest() override { win::ResetLanguage(); }
};

TEST_F(TerminalMessageBoxTest, ButtonsFollowTheBoxKindAndAnswersAreKeysNumbersOrTexts) {
    const CTerminalButtons existing(kExistingFilesStyle);
    EXPECT_EQ(existing.Prompt(), "Yes / No / Cancel [y/n/C]: ");
    EXPECT_EQ(existing.Parse(""), IDCANCEL);  // the third button is the default
    EXPECT_EQ(existing.Parse("  Y "), IDYES);
    EXPECT_EQ(existing.Parse("2"), IDNO);
    EXPECT_EQ(existing.Parse("CANCEL"), IDCANCEL);
    for (const char* junk : {"yes please", "4", "r"}) EXPECT_EQ(existing.Parse(junk), std::nullopt);

    EXPECT_EQ(CTerminalButtons(kCancelQuestionStyle).Prompt(), "Yes / No [Y/n]: ");
    EXPECT_FALSE(CTerminalButtons(kCancelQuestionStyle).Cancellable());  // Esc does nothing there
    EXPECT_EQ(CTerminalButtons(MB_RETRYCANCEL | 0x100).DefaultResult(), IDCANCEL);
    EXPECT_EQ(CTerminalButtons(MB_YESNO | MB_DEFBUTTON3).DefaultResult(), IDYES);  // no third
    EXPECT_FALSE(CTerminalButtons(MB_OK | MB_ICONEXCLAMATION).IsQuestion());

    win::OverrideLanguage(win::Language::Japanese);
    const CTerminalButtons japanese(kCancelQuestionStyle);
    EXPECT_EQ(japanese.Prompt(), "はい / いいえ [Y/n]: ");  // without "(&Y)"
    EXPECT_EQ(japanese.Parse("いいえ"), IDNO);
    EXPECT_EQ(japanese.Parse("n"), IDNO);  // the same keys in every language
}

TEST_F(TerminalMessageBoxTest, MessagesArePrintedAtOnceQuestionsAskUntilAButtonIsNamed) {
    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
    terminal.Type("maybe\nn\n");
    CTerminalConsole console(terminal.Io());
    kivterm::CTerminalRunLog log(console, {});
    CTerminalMessageBoxService boxes(console, TerminalOptions{}, &log);
    CONTENTDATA item;
    item.name = "f.bin";
    item.url = "http://user:secret@h/f.bin";
    log.FileStarted(item, 0, 1);
    const std::size_t started = terminal.Err().size();

    EXPECT_EQ(boxes.ShowMessageBox(nullptr, "The download completed successfully.", "Kiv",
                                   MB_OK | MB_ICONINFORMATION),
              IDOK);
    // An error keeps the reason under its headline and names the file's address
    // (without the password in it).
    EXPECT_EQ(boxes.ShowMessageBox(nullptr, "File download failed.HTTP status 404[D:301 E:404]",
                                   "Kiv", MB_OK | MB_ICONSTOP),
              IDOK);
    EXPECT_EQ(terminal.Out(), "");  // the standard output is the summary's
    EXPECT_EQ(terminal.Err().substr(started),
              "The download completed successfully.\n"
              "File download failed.\nHTTP status 404[D:301 E:404]\nURL: http://***@h/f.bin\n");
    // Nothing was read: the typed answers are still there for the next question.
    EXPECT_EQ(boxes.ShowMessageBox(nullptr, "Cancel file download?", "Kiv", kCancelQuestionStyle),
              IDNO);
    EXPECT_EQ(terminal.Prompts(), "Cancel file download?\nYes / No [Y/n]: Yes / No [Y/n]: ");
}

TEST_F(TerminalMessageBoxTest, InputThatEndsGivesTheUnattendedAnswer) {
    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
    terminal.Type("x");  // a last line without its line end is still read
    terminal.CloseInput();
    CTerminalConsole console(terminal.Io());
    CTerminalMessageBoxService boxes(console, TerminalOptions{});

    EXPECT_EQ(boxes.ShowMessageBox(nullptr, "Resume?", "Kiv", kExistingFilesStyle), IDCANCEL);
    EXPECT_FALSE(console.Interactive());
    EXPECT_EQ(boxes.ShowMessageBox(nullptr, "Cancel file download?", "Kiv", kCancelQuestionStyle),
              IDYES);
}

TEST_F(TerminalMessageBoxTest, TheExistingFilesOptionAnswersTheThreeWayQuestion) {
    for (const auto& [existing, expected] :
         {std::pair{ExistingFiles::Resume, IDYES}, {ExistingFiles::Restart, IDNO}}) {
        CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
        terminal.Type("n\n");  // a user is there, but the option was given
        CTerminalConsole console(terminal.Io());
        TerminalOptions options;
        options.existing = existing;
        CTerminalMessageBoxService boxes(console, options);

        EXPECT_EQ(boxes.ShowMessageBox(nullptr, "Resume?", "Kiv", kExistingFilesStyle), expected);
        EXPECT_EQ(terminal.Prompts().find("Resume?"), std::string::npos);
        EXPECT_NE(terminal.Err().find("Resume?\nYes / No / Cancel [y/n/C]: "), std::string::npos);
        // Other questions still go to the user.
        EXPECT_EQ(boxes.ShowMessageBox(nullptr, "Cancel?", "Kiv", kCancelQuestionStyle), IDNO);
    }
}

TEST_F(TerminalMessageBoxTest, NobodyToAskTakesTheDefaultOrTheCancelPath) {
    CapturedTerminal terminal;  // no input
    CTerminalConsole console(terminal.Io());
    CTerminalMessageBoxService boxes(console, TerminalOptions{});

    EXPECT_EQ(boxes.ShowMessageBox(nullptr, "Cancel file download?", "Kiv", kCancelQuestionStyle),
              IDYES);
    EXPECT_EQ(boxes.ShowMessageBox(nullptr, "Resume?", "Kiv", kExistingFilesStyle), IDCANCEL);
    EXPECT_EQ(boxes.ShowMessageBox(nullptr, "Go?", "Kiv", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(boxes.ShowStandardMessageBox("Kiv already running.", "Kiv", kAlreadyRunningStyle),
              IDCANCEL);
    // Each question is recorded with the answer it got.
    EXPECT_NE(terminal.Err().find("Cancel file download?\nYes / No [Y/n]: Yes\n"),
              std::string::npos);
    EXPECT_NE(terminal.Err().find("Kiv already running.\nRetry / Cancel [R/c]: Cancel\n"),
              std::string::npos);
}

TEST_F(TerminalMessageBoxTest, YesGoesOnAndRetriesTheAlreadyRunningQuestionAFewTimes) {
    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);  // a user, but --yes
    CTerminalConsole console(terminal.Io());
    TerminalOptions options;
    options.assumeYes = true;
    options.unattendedRetries = 2;
    options.retryPauseMs = 0;
    CTerminalMessageBoxService boxes(console, options);

    EXPECT_EQ(boxes.ShowMessageBox(nullptr, "Go?", "Kiv", MB_OKCANCEL), IDOK);
    // Files already there: resume what can be resumed (the rest restarts), never Cancel.
    EXPECT_EQ(boxes.ShowMessageBox(nullptr, "Resume?", "Kiv", kExistingFilesStyle), IDYES);
    EXPECT_EQ(boxes.ShowStandardMessageBox("Running.", "Kiv", kAlreadyRunningStyle), IDRETRY);
    EXPECT_EQ(boxes.ShowStandardMessageBox("Running.", "Kiv", kAlreadyRunningStyle), IDRETRY);
    // The other run did not end: give up instead of asking for ever.
    EXPECT_EQ(boxes.ShowStandardMessageBox("Running.", "Kiv", kAlreadyRunningStyle), IDCANCEL);
    EXPECT_EQ(terminal.Prompts(), "");
}

TEST_F(TerminalMessageBoxTest, TheControlEndsAnOpenQuestionThroughItsWindow) {
    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
    CTerminalConsole console(terminal.Io());
    CTerminalMessageBoxService boxes(console, TerminalOptions{});

    // MBM_DISMISS: no answer; a lone WM_CLOSE: what Esc gives.
    for (const auto& [message, expected] :
         {std::pair{MBM_DISMISS, IDDISMISSED}, {win::WM_CLOSE, IDCANCEL}}) {
        termtest::AskingThread worker(
            [&] { return boxes.ShowMessageBox(nullptr, "Resume?", "Kiv", kExistingFilesStyle); });
        const win::HWND box = termtest::WaitForWindow(worker.Id(), "Kiv");
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(console.QuestionOpen());
        win::SendMessage(box, message, 0, 0);
        EXPECT_EQ(worker.Result(), expected);
    }
    EXPECT_FALSE(console.QuestionOpen());
}

TEST_F(TerminalMessageBoxTest, CtrlCEndsAnOpenQuestionWithItsInterruptAnswer) {
    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
    CTerminalConsole console(terminal.Io());
    CTerminalMessageBoxService boxes(console, TerminalOptions{});
    EXPECT_FALSE(console.InterruptQuestion());  // nothing open

    termtest::AskingThread plain(
        [&] { return boxes.ShowMessageBox(nullptr, "Resume?", "Kiv", kExistingFilesStyle); });
    ASSERT_TRUE(termtest::WaitUntil([&] { return console.QuestionOpen(); }));
    EXPECT_TRUE(console.InterruptQuestion());
    EXPECT_EQ(plain.Result(), IDCANCEL);

    termtest::AskingThread dialogs(
        [&] { return boxes.Ask("Cancel file download?", "Kiv", kCancelQuestionStyle, IDYES); });
    ASSERT_TRUE(termtest::WaitUntil([&] { return console.QuestionOpen(); }));
    EXPECT_TRUE(console.InterruptQuestion());
    EXPECT_EQ(dialogs.Result(), IDYES);
}

TEST_F(TerminalMessageBoxTest, TheProxyQuestionReadsNameAndPasswordOrIsRefusedUnattended) {
    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
    terminal.Type("kiv\ns3cret\n");
    CTerminalConsole console(terminal.Io());
    kivterm::CTerminalProxyPrompt prompt(console, TerminalOptions{});
    std::string user;
    std::string password;
    EXPECT_TRUE(prompt.AskProxyCredentials(nullptr, user, password));
    EXPECT_EQ(user, "kiv");
    EXPECT_EQ(password, "s3cret");
    EXPECT_EQ(terminal.Prompts(),
              "To continue, proxy server authentication is required.\nUser name: Password: \n");

    CapturedTerminal unattended;
    CTerminalConsole quiet(unattended.Io());
    EXPECT_FALSE(kivterm::CTerminalProxyPrompt(quiet, TerminalOptions{})
                     .AskProxyCredentials(nullptr, user, password));
    EXPECT_EQ(unattended.Err(), "To continue, proxy server authentication is required.\n");
}

}  // namespace
