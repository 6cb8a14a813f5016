// The download dialog on the terminal: the live display and the progress
// line drawn from the dialog's model, when they are drawn, and the cancel
// command under the pause mutex.
#include <gtest/gtest.h>

#include <memory>

#include "frontends/terminal/TerminalDialogView.h"
#include "frontends/terminal/TerminalDownloadDialog.h"
#include "frontends/terminal/TerminalText.h"
#include "platform/Event.h"
#include "platform/Language.h"
#include "platform/Message.h"
#include "platform/Mutex.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "tests/env/EnvTestHelpers.h"
#include "tests/host/TerminalTestIo.h"

namespace {

using kivterm::CTerminalDialogView;
using kivterm::CTerminalDownloadDialog;
using kivui::CDownloadDialogModel;
using termtest::CapturedTerminal;

LPARAM Text(const char* text) {
    return reinterpret_cast<LPARAM>(text);
}

class TerminalDialogTest : public ::testing::Test {
protected:
    TerminalDialogTest() { win::OverrideLanguage(win::Language::English); }
    ~TerminalDialogTest() override { win::ResetLanguage(); }

    // Three files, the second one under way.
    static void ThreeFilesUnderWay(CDownloadDialogModel& model, const char* name = "b.bin") {
        model.SetCaption("Kiv Downloader");
        model.Apply(DLGM_OVERALLRANGE, 0, 3);
        model.Apply(DLGM_RUNBYTES, 5000, 0);
        model.Apply(DLGM_STATUS, 0, Text("Downloading file(s)."));
        model.Apply(DLGM_OVERALLSTEP, 0, 0);
        model.Apply(DLGM_FILENAME, reinterpret_cast<WPARAM>(name), 0);
        model.Apply(DLGM_CURRENTTOTAL, 2500, 0);
        model.Apply(DLGM_CURRENTPOS, 800, 0);
        model.Apply(DLGM_RATETIME, 1234, 65);
    }
};

TEST_F(TerminalDialogTest, TheLiveDisplayFitsTheWidthAndKeepsThePercentage) {
    CDownloadDialogModel model;
    ThreeFilesUnderWay(model, "a-rather-long-file-name-of-the-vendor.tar.gz");
    const CTerminalDialogView view(kivterm::LoadTerminalLabels());
    const std::vector<std::string> wide = view.Live(model, 120, 0);
    ASSERT_EQ(wide.size(), 2u);
    EXPECT_EQ(wide[0],
              "(1/3) a-rather-long-file-name-of-the-vendor.tar.gz [######--------------] 800 "
              "byte(s) / 2,500 byte(s) (32% completed)");
    EXPECT_EQ(wide[1],
              "Overall progress [###-----------------] 1 / 3  About 1,234KB/sec  Download "
              "complete in About  1 min  5 sec");
    for (std::size_t columns : {79u, 60u, 40u, 12u}) {
        for (const std::string& line : view.Live(model, columns, 0)) {
            EXPECT_LE(kivterm::DisplayWidth(line), columns) << line;
        }
        // The name gives way first (its middle), never the figures.
        const std::string first = view.Live(model, columns, 0)[0];
        EXPECT_NE(first.find("32%"), std::string::npos) << first;
    }
    EXPECT_EQ(view.Live(model, 79, 0)[0],
              "(1/3) a-rather-long...vendor.tar.gz 800 byte(s) / 2,500 byte(s) (32% completed)");
    EXPECT_EQ(view.Live(model, 44, 0)[0], "800 byte(s) / 2,500 byte(s) (32% completed)");
    EXPECT_EQ(view.Live(model, 20, 0)[0], "(1/3) 32%");
    EXPECT_EQ(view.ProgressLine(model),
              "a-rather-long-file-name-of-the-vendor.tar.gz: 800 byte(s) / 2,500 byte(s) (32% "
              "completed), Overall progress 1 / 3, About 1,234KB/sec, Download complete in About  "
              "1 min  5 sec");
    // Wide characters take two columns each.
    EXPECT_EQ(kivterm::DisplayWidth("\xe3\x83\x95\xe3\x82\xa1\xe3\x82\xa4\xe3\x83\xab"), 8u);
    EXPECT_EQ(kivterm::ShortenMiddle("\xe3\x83\x95\xe3\x82\xa1\xe3\x82\xa4\xe3\x83\xab.zip", 9),
              "\xe3\x83\x95...zip");
}

TEST_F(TerminalDialogTest, ABusyBarMovesItsBlockWithTheTicks) {
    kivui::DialogBar bar;
    bar.percent = 55;
    EXPECT_EQ(kivterm::DrawBar(bar, 10, 0), "#####-----");
    bar.busy = true;
    EXPECT_EQ(kivterm::DrawBar(bar, 20, 0), "##------------------");
    EXPECT_EQ(kivterm::DrawBar(bar, 20, 19), "#------------------#");

    CDownloadDialogModel model;
    EXPECT_FALSE(CTerminalDialogView::Animates(model));
    model.Apply(DLGM_OVERALLBUSY, 1, win::SW_SHOW);
    EXPECT_TRUE(CTerminalDialogView::Animates(model));
}

// The dialog window with its control window, on the test's thread.
class DialogRig {
public:
    DialogRig(CapturedTerminal::Input input, bool isTerminal, std::size_t columns = 100)
        : terminal(input, isTerminal, columns),
          console(terminal.Io()),
          log(console, {}),
          boxes(console, kivterm::TerminalOptions{}),
          cancel(console, true),
          dialog(console, boxes, cancel, log, false) {
        control_ = win::CreateWindow(
            [](win::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
                return win::DefWindowProc(hwnd, message, wParam, lParam);
            },
            "control", 0);
        cancelEvent.Create(true, false);
        pauseMutex.Create(false);
        EXPECT_TRUE(dialog.Create(control_));
        dialog.Configure("Kiv Downloader", cancelEvent.Handle(), pauseMutex.Handle(), "");
    }
    ~DialogRig() { win::DestroyWindow(control_); }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return win::SendMessage(dialog.Window(), message, wParam, lParam);
    }
    void Tick() { Send(win::WM_TIMER, CTerminalDownloadDialog::kRedrawTimer); }
    bool Cancelled() { return win::WaitForSingleObject(cancelEvent.Handle(), 0) == 0; }
    void Destroy() { win::DestroyWindow(control_); }

    CapturedTerminal terminal;
    kivterm::CTerminalConsole console;
    kivterm::CTerminalRunLog log;
    kivterm::CTerminalMessageBoxService boxes;
    kivterm::CTerminalCancel cancel;
    CTerminalDownloadDialog dialog;
    win::CEvent cancelEvent;
    win::CMutex pauseMutex;

private:
    win::HWND control_ = nullptr;
};

TEST_F(TerminalDialogTest, AwayFromATerminalAStatusIsALineAndProgressALineAtATick) {
    DialogRig rig(CapturedTerminal::Input::None, false);
    rig.Send(DLGM_STATUS, 0, Text("Downloading file(s)."));
    rig.Send(DLGM_FILENAME, reinterpret_cast<WPARAM>("a.bin"));
    rig.Send(DLGM_STATUS, 0, Text("Downloading file(s)."));  // the next file's: no new line
    rig.Send(DLGM_CURRENTTOTAL, 2500, 0);
    rig.Send(DLGM_CURRENTPOS, 800, 0);  // progress waits for its time (five seconds)
    EXPECT_EQ(rig.terminal.Err(), "Downloading file(s).\n");
    rig.Tick();
    rig.Tick();  // nothing new: no line
    rig.Send(DLGM_CURRENTPOS, 2500, 0);
    rig.Send(DLGM_OVERALLSTEP, 1, 0);  // the run ended: the display with it
    rig.Tick();
    EXPECT_EQ(rig.terminal.Err(),
              "Downloading file(s).\n"
              "a.bin: 800 byte(s) / 2,500 byte(s) (32% completed)\n");
    EXPECT_EQ(rig.terminal.Out(), "");  // the standard output is the summary's
}

TEST_F(TerminalDialogTest, OnATerminalTheDisplayIsRedrawnInPlaceBelowTheLog) {
    DialogRig rig(CapturedTerminal::Input::None, true, 30);
    rig.Send(DLGM_STATUS, 0, Text("Downloading file(s)."));
    const std::string first = rig.terminal.Err();
    EXPECT_EQ(first, "Downloading file(s).\nDownloading file(s).\x1b[K\n") << first;
    rig.Tick();
    EXPECT_EQ(rig.terminal.Err(), first);  // unchanged: not drawn again

    rig.Send(DLGM_FILENAME, reinterpret_cast<WPARAM>("a-long-name-for-a-narrow-terminal.bin"));
    rig.Send(DLGM_CURRENTTOTAL, 2500, 0);
    rig.Send(DLGM_CURRENTPOS, 800, 0);
    rig.Tick();
    const std::string later = rig.terminal.Err().substr(first.size());
    // Up over the line drawn, cleared, then the new lines, each within the width.
    EXPECT_EQ(later.rfind("\x1b[1F\x1b[J", 0), 0u) << later;
    for (std::size_t at = later.rfind("\x1b[J") + 3, end;
         (end = later.find("\x1b[K\n", at)) != std::string::npos; at = end + 4) {
        EXPECT_LT(kivterm::DisplayWidth(later.substr(at, end - at)), 30u) << later;
    }
    EXPECT_NE(later.find("32%"), std::string::npos) << later;

    // A line of the log goes above the display, which is drawn again below it.
    const std::size_t before = rig.terminal.Err().size();
    rig.console.WriteLine("Done: a.bin");
    const std::string around = rig.terminal.Err().substr(before);
    EXPECT_EQ(around.rfind("\x1b[1F\x1b[JDone: a.bin\n", 0), 0u) << around;
    EXPECT_NE(around.find("32%"), std::string::npos);
    // At the end of the run the display goes; what follows stands alone.
    rig.Send(DLGM_OVERALLSTEP, 1, 0);
    rig.console.WriteLine("The download completed successfully.");
    EXPECT_TRUE(rig.terminal.Err().ends_with(
        "32%\x1b[K\n\x1b[1F\x1b[JThe download completed successfully.\n"))
        << rig.terminal.Err();
}

TEST_F(TerminalDialogTest, ControlCharactersFromPagesAndServersAreShownNotActedOn) {
    envtest::ScopedCodePage shiftJis(win::CP_SHIFT_JIS);
    DialogRig rig(CapturedTerminal::Input::None, true, 100);
    // A name that sets the window title, then a line end that would break the display.
    rig.Send(DLGM_FILENAME, reinterpret_cast<WPARAM>("a\x1b]0;pwned\x07\n\tb.bin"));
    EXPECT_NE(rig.terminal.Err().find("a\\x1b]0;pwned\\x07\\x0a\\x09b.bin\x1b[K\n"),
              std::string::npos)
        << rig.terminal.Err();
    rig.Send(DLGM_OVERALLSTEP, 1, 0);
    // A box's own line ends and tabs stay; CR, ESC, C1 and broken UTF-8 are shown;
    // Shift-JIS text arrives whole.
    const std::size_t before = rig.terminal.Err().size();
    const std::string sjisCancel = "\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b";
    rig.boxes.ShowMessageBox(nullptr, sjisCancel + "\n\tserver: \x1b[2J\rok\x7f", "", MB_ICONSTOP);
    rig.console.WriteErr(
        "\xc2\x9b"
        "6n \xff\xe5\n");
    EXPECT_EQ(rig.terminal.Err().substr(before),
              "キャンセル\n\tserver: \\x1b[2J\\x0dok\\x7f\n\\u009b6n \\xff\\xe5\n");
    // Printed as a line (the output is no terminal): one line stays one line.
    DialogRig plain(CapturedTerminal::Input::None, false);
    plain.Send(DLGM_FILENAME, reinterpret_cast<WPARAM>("x\x1b[1Ay\n.bin"));
    plain.Send(DLGM_CURRENTTOTAL, 100, 0);
    plain.Send(DLGM_CURRENTPOS, 100, 0);
    plain.Tick();
    EXPECT_EQ(plain.terminal.Err(),
              "x\\x1b[1Ay\\x0a.bin: 100 byte(s) / 100 byte(s) (100% completed)\n");
}

TEST_F(TerminalDialogTest, TheCancelQuestionHoldsThePauseMutexAndYesSetsTheEvent) {
    DialogRig rig(CapturedTerminal::Input::Scripted, false);
    rig.Send(DLGM_FILENAME, reinterpret_cast<WPARAM>("a.bin"));
    std::atomic<bool> workerBlocked{false};
    // The worker's cancel check while the question is open must wait; then the user says No.
    termtest::AskingThread worker([&] {
        termtest::WaitUntil([&] { return rig.console.QuestionOpen(); });
        workerBlocked = win::WaitForSingleObject(rig.pauseMutex.Handle(), 0) == win::WAIT_TIMEOUT;
        rig.terminal.Type("n\n");
        return 0;
    });
    rig.Send(win::WM_CLOSE);  // the cancel command
    EXPECT_EQ(worker.Result(), 0);
    EXPECT_TRUE(workerBlocked);
    EXPECT_FALSE(rig.Cancelled());
    EXPECT_TRUE(rig.dialog.Model().CancelEnabled());
    EXPECT_EQ(rig.terminal.Prompts(), "Cancel file download?\nYes / No [Y/n]: ");

    rig.terminal.Type("y\n");
    rig.Send(win::WM_CLOSE);
    EXPECT_TRUE(rig.Cancelled());
    EXPECT_FALSE(rig.dialog.Model().CancelEnabled());
    // The lock was given back.
    termtest::AskingThread later([&] {
        const bool taken = win::WaitForSingleObject(rig.pauseMutex.Handle(), 0) == 0;
        if (taken) win::ReleaseMutex(rig.pauseMutex.Handle());
        return taken ? 1 : 0;
    });
    EXPECT_EQ(later.Result(), 1);

    // While files are verified the question is whether to close the program.
    rig.Send(DLGM_FILENAME, reinterpret_cast<WPARAM>("a.bin"));
    rig.Send(DLGM_STATUS, 1, Text("Verifying file."));
    rig.terminal.Type("n\n");
    const std::size_t asked = rig.terminal.Prompts().size();
    rig.Send(win::WM_CLOSE);
    EXPECT_EQ(rig.terminal.Prompts().substr(asked),
              "Verifying downloaded files. Downloaded files will not be lost if Kiv Downloader is "
              "closed, but file verification will be terminated. \nClose Kiv Downloader?\nYes / "
              "No [Y/n]: ");
}

TEST_F(TerminalDialogTest, ACancelCommandWhileTheLockIsHeldElsewhereAsksNothing) {
    DialogRig rig(CapturedTerminal::Input::Scripted, false);
    rig.Send(DLGM_FILENAME, reinterpret_cast<WPARAM>("a.bin"));
    std::atomic<bool> release{false};
    termtest::AskingThread holder([&] {
        win::WaitForSingleObject(rig.pauseMutex.Handle(), win::INFINITE);
        termtest::WaitUntil([&] { return release.load(); });
        win::ReleaseMutex(rig.pauseMutex.Handle());
        return 0;
    });
    ASSERT_TRUE(termtest::WaitUntil(
        [&] { return win::WaitForSingleObject(rig.pauseMutex.Handle(), 0) == win::WAIT_TIMEOUT; }));
    rig.Send(win::WM_CLOSE);
    release = true;
    EXPECT_EQ(holder.Result(), 0);
    EXPECT_EQ(rig.terminal.Prompts(), "");
    EXPECT_FALSE(rig.Cancelled());
}

TEST_F(TerminalDialogTest, CtrlCWithoutCancelOfferedAndThePagesSignalCancelAtOnce) {
    {
        DialogRig rig(CapturedTerminal::Input::Scripted, false);
        rig.Send(win::WM_CLOSE);  // refused while Cancel is not offered
        EXPECT_FALSE(rig.Cancelled());
        rig.Send(kivterm::kTerminalInterrupt);  // Ctrl+C must still stop the run
        EXPECT_TRUE(rig.Cancelled());
        EXPECT_EQ(rig.terminal.Prompts(), "");
    }
    DialogRig rig(CapturedTerminal::Input::None, false);
    rig.Send(DLGM_CANCELSIGNAL);
    EXPECT_TRUE(rig.Cancelled());
}

}  // namespace
