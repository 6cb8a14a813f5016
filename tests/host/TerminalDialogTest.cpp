// The download dialog on the terminal: what each DLGM_ message does to the
// texts, how the frame and the plain line look, when they are drawn, and the
// cancel command under the pause mutex.
#include <gtest/gtest.h>

#include <memory>

#include "host/TerminalDialogModel.h"
#include "host/TerminalDialogView.h"
#include "host/TerminalDownloadDialog.h"
#include "platform/Event.h"
#include "platform/Language.h"
#include "platform/Message.h"
#include "platform/Mutex.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "tests/env/EnvTestHelpers.h"
#include "tests/host/TerminalTestIo.h"

namespace {

using kivterm::CTerminalDialogModel;
using kivterm::CTerminalDialogView;
using kivterm::CTerminalDownloadDialog;
using kivterm::ModelChange;
using termtest::CapturedTerminal;

LPARAM Text(const char* text) {
    return reinterpret_cast<LPARAM>(text);
}

class TerminalDialogTest : public ::testing::Test {
protected:
    TerminalDialogTest() { win::OverrideLanguage(win::Language::English); }
    ~TerminalDialogTest() override { win::ResetLanguage(); }

    // Three files, the second one under way.
    static void ThreeFilesUnderWay(CTerminalDialogModel& model) {
        model.SetCaption("Kiv Downloader");
        model.Apply(DLGM_STATUS, 0, Text("Downloading file(s)."));
        model.Apply(DLGM_OVERALLRANGE, 0, 3);
        model.Apply(DLGM_OVERALLSTEP, 0, 0);
        model.Apply(DLGM_FILENAME, reinterpret_cast<WPARAM>("b.bin"), 0);
        model.Apply(DLGM_CURRENTTOTAL, 2500, 0);
        model.Apply(DLGM_CURRENTPOS, 800, 0);
        model.Apply(DLGM_RATETIME, 1234, 65);
    }
};

TEST_F(TerminalDialogTest, TheMessagesSetTheDialogsTexts) {
    CTerminalDialogModel model;
    EXPECT_FALSE(model.StatusShown());
    EXPECT_FALSE(model.CancelEnabled());
    ThreeFilesUnderWay(model);

    EXPECT_EQ(model.StatusLine(), "Downloading file(s).(1/3)");
    EXPECT_EQ(model.WindowText(), "Kiv Downloader(1/3)");
    EXPECT_EQ(model.FileLine(), "File name: b.bin");
    EXPECT_TRUE(model.CancelEnabled());
    EXPECT_EQ(model.Current().text, "800 byte(s) / 2,500 byte(s) (32% completed)");
    EXPECT_EQ(model.Current().percent, 32);
    EXPECT_EQ(model.Overall().text, "1 / 3");
    EXPECT_EQ(model.Overall().percent, 33);
    EXPECT_EQ(model.RateText(), "About 1,234KB/sec");
    EXPECT_EQ(model.TimeText(), "About  1 min  5 sec");
    EXPECT_EQ(model.TimeLabel(), "Download complete in");

    // A new status keeps the counter out until the next file is counted.
    EXPECT_EQ(model.Apply(DLGM_STATUS, 1, Text("Verifying file.")), ModelChange::Milestone);
    EXPECT_EQ(model.StatusLine(), "Verifying file.");
    EXPECT_EQ(model.TimeLabel(), "Verification complete in");
    EXPECT_EQ(model.Apply(DLGM_STATUS, 7, Text("ignored")), ModelChange::None);
    EXPECT_EQ(model.Mode(), 7);  // stored, nothing else changes
    EXPECT_EQ(model.StatusLine(), "Verifying file.");

    EXPECT_EQ(model.Apply(DLGM_FILENAME, 0, 0), ModelChange::Milestone);
    EXPECT_FALSE(model.FileShown());
    model.Apply(DLGM_OVERALLSTEP, 1, 0);  // the run ended
    EXPECT_FALSE(model.CancelEnabled());
}

TEST_F(TerminalDialogTest, ByteCountsNeedATotalAndTheOverallCountWrapsAround) {
    CTerminalDialogModel model;
    EXPECT_EQ(model.Apply(DLGM_CURRENTPOS, 10, 0), ModelChange::None);
    model.Apply(DLGM_CURRENTTOTAL, 0, 0);
    EXPECT_TRUE(model.Current().busy);
    EXPECT_EQ(model.Apply(DLGM_CURRENTPOS, 10, 0), ModelChange::None);
    // Totals beyond 32 bits arrive in two halves.
    model.Apply(DLGM_CURRENTTOTAL, 0, 1);
    model.Apply(DLGM_CURRENTPOS, 0, 1);
    EXPECT_FALSE(model.Current().busy);
    EXPECT_EQ(model.Current().percent, 100);
    EXPECT_EQ(model.Current().text, "4,194,304 KB / 4,194,304 KB (100% completed)");

    model.Apply(DLGM_OVERALLRANGE, 0, 2);
    for (const char* expected : {"1 / 2", "2 / 2", "1 / 2"}) {
        model.Apply(DLGM_OVERALLSTEP, 0, 0);
        EXPECT_EQ(model.Overall().text, expected);
    }
    model.Apply(DLGM_OVERALLBUSY, 0, win::SW_HIDE);
    EXPECT_FALSE(model.Overall().shown);
    EXPECT_EQ(model.Overall().text, "");

    // No fresh measurement: nothing to redraw. Negative numbers arrive as 32 bits.
    EXPECT_EQ(model.Apply(DLGM_RATETIME, 0, 3725), ModelChange::Progress);
    EXPECT_EQ(model.Apply(DLGM_RATETIME, 0, static_cast<std::uint32_t>(-1)), ModelChange::None);
    model.Apply(DLGM_RATETIME, 0, static_cast<std::uint32_t>(-3));
    EXPECT_EQ(model.TimeText(), "Recalculating");
}

TEST_F(TerminalDialogTest, TheFrameLinesUpItsLabelsAndTheLineJoinsWhatHasText) {
    CTerminalDialogModel model;
    ThreeFilesUnderWay(model);
    model.Apply(DLGM_SHOWLINK, 0, 0);
    const CTerminalDialogView view(kivterm::LoadTerminalLabels(), "https://help.example/");

    const std::vector<std::string> expected = {
        "Downloading file(s).(1/3)",
        "File name: b.bin",
        "Currently progress   [#########---------------------] 800 byte(s) / 2,500 byte(s) (32% "
        "completed)",
        "Overall progress     [#########---------------------] 1 / 3",
        "Transfer speed       About 1,234KB/sec",
        "Download complete in About  1 min  5 sec",
        "About Kiv Downloader: https://help.example/"};
    EXPECT_EQ(view.Frame(model, 100, 0), expected);
    EXPECT_EQ(view.PlainLine(model),
              "Downloading file(s).(1/3) | File name: b.bin | Currently progress 800 byte(s) / "
              "2,500 byte(s) (32% completed) | Overall progress 1 / 3 | Transfer speed About "
              "1,234KB/sec | Download complete in About  1 min  5 sec");
    // Without a help link there is nothing to show.
    EXPECT_EQ(CTerminalDialogView(kivterm::LoadTerminalLabels(), "").LinkLine(model), "");
}

TEST_F(TerminalDialogTest, ABusyBarMovesItsBlockWithTheTicks) {
    kivterm::TerminalBar bar;
    bar.percent = 55;
    EXPECT_EQ(kivterm::DrawBar(bar, 10, 0), "#####-----");
    bar.busy = true;
    EXPECT_EQ(kivterm::DrawBar(bar, 20, 0), "##------------------");
    EXPECT_EQ(kivterm::DrawBar(bar, 20, 19), "#------------------#");

    CTerminalDialogModel model;
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
          boxes(console, kivterm::TerminalOptions{}),
          cancel(console, true),
          dialog(console, boxes, cancel) {
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
    kivterm::CTerminalMessageBoxService boxes;
    kivterm::CTerminalCancel cancel;
    CTerminalDownloadDialog dialog;
    win::CEvent cancelEvent;
    win::CMutex pauseMutex;

private:
    win::HWND control_ = nullptr;
};

TEST_F(TerminalDialogTest, PlainLinesComeAtEveryMilestoneAndAtTicksWhenSomethingChanged) {
    DialogRig rig(CapturedTerminal::Input::None, false);
    rig.Send(DLGM_STATUS, 0, Text("Downloading file(s)."));
    rig.Send(DLGM_CURRENTTOTAL, 2500, 0);
    rig.Send(DLGM_CURRENTPOS, 800, 0);  // progress: waits for the tick
    EXPECT_EQ(rig.terminal.Out(), "Downloading file(s).\n");
    rig.Tick();
    rig.Tick();  // nothing new: no line
    rig.Send(DLGM_FILENAME, reinterpret_cast<WPARAM>("a.bin"));
    rig.Send(DLGM_CURRENTPOS, 2500, 0);
    rig.Destroy();  // the last state is not lost
    EXPECT_EQ(rig.terminal.Out(),
              "Downloading file(s).\n"
              "Downloading file(s). | Currently progress 800 byte(s) / 2,500 byte(s) (32% "
              "completed)\n"
              // A new file: the byte counts are still the previous file's.
              "Downloading file(s). | File name: a.bin\n"
              "Downloading file(s). | File name: a.bin | Currently progress 2,500 byte(s) / 2,500 "
              "byte(s) (100% completed)\n");
}

TEST_F(TerminalDialogTest, TheFrameIsRedrawnInPlaceOnlyWhenItChanged) {
    DialogRig rig(CapturedTerminal::Input::None, true, 30);
    rig.Send(DLGM_STATUS, 0, Text("Downloading file(s)."));
    EXPECT_EQ(rig.terminal.Out(), "");  // drawn at the next tick, not at once
    rig.Tick();
    const std::string first = rig.terminal.Out();
    EXPECT_EQ(first.rfind("\x1b[2KDownloading file(s).\n\x1b[2KCurrently progress  ", 0), 0u);
    EXPECT_EQ(first.find("\x1b[5F"), std::string::npos);  // nothing to go back over yet
    rig.Tick();
    EXPECT_EQ(rig.terminal.Out(), first);

    rig.Send(DLGM_FILENAME, reinterpret_cast<WPARAM>("a.bin"));
    rig.Tick();
    const std::string second = rig.terminal.Out().substr(first.size());
    // Up over the five lines drawn, then six lines, each cut to the width.
    EXPECT_EQ(second.rfind("\x1b[5F\x1b[2KDownloading file(s).\n\x1b[2KFile name: a.bin\n", 0), 0u);
    for (std::size_t at = second.find("\x1b[2K"); at != std::string::npos;
         at = second.find("\x1b[2K", at + 1)) {
        const std::size_t end = second.find('\n', at);
        EXPECT_LT(end - at - 4, 30u) << second.substr(at + 4, end - at - 4);
    }
    EXPECT_NE(second.find("\x1b[J"), std::string::npos);
}

TEST_F(TerminalDialogTest, OutputBelowTheFrameShowsTheLatestFrameFirst) {
    DialogRig rig(CapturedTerminal::Input::None, true);
    rig.Tick();
    rig.Send(DLGM_STATUS, 0, Text("Download of all files has been completed."));
    rig.console.WriteOut("The download completed successfully.\n");
    const std::string out = rig.terminal.Out();
    const std::size_t status = out.find("Download of all files has been completed.");
    ASSERT_NE(status, std::string::npos);
    EXPECT_LT(status, out.find("The download completed successfully."));
    // The next frame starts below the message instead of over it.
    rig.Send(DLGM_FILENAME, reinterpret_cast<WPARAM>("a.bin"));
    rig.Tick();
    EXPECT_EQ(rig.terminal.Out().substr(out.size()).rfind("\x1b[2KDownload of all", 0), 0u);
}

TEST_F(TerminalDialogTest, ControlCharactersFromPagesAndServersAreShownNotActedOn) {
    envtest::ScopedCodePage shiftJis(win::CP_SHIFT_JIS);
    DialogRig rig(CapturedTerminal::Input::None, true);
    // A name that sets the window title, then a line end that would break the frame.
    rig.Send(DLGM_FILENAME, reinterpret_cast<WPARAM>("a\x1b]0;pwned\x07\n\tb.bin"));
    rig.Tick();
    EXPECT_NE(rig.terminal.Out().find("\x1b[2KFile name: a\\x1b]0;pwned\\x07\\x0a\\x09b.bin\n"),
              std::string::npos)
        << rig.terminal.Out();
    // A box's own line ends and tabs stay; CR, ESC, C1 and broken UTF-8 are shown;
    // Shift-JIS text arrives whole.
    const std::string sjisCancel = "\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b";
    rig.boxes.ShowMessageBox(nullptr, sjisCancel + "\n\tserver: \x1b[2J\rok\x7f", "", MB_ICONSTOP);
    rig.console.WriteErr(
        "\xc2\x9b"
        "6n \xff\xe5\n");
    EXPECT_EQ(rig.terminal.Err(),
              "キャンセル\n\tserver: \\x1b[2J\\x0dok\\x7f\n\\u009b6n \\xff\\xe5\n");
    // Printed line by line (the output is no terminal): one line stays one line.
    DialogRig plain(CapturedTerminal::Input::None, false);
    plain.Send(DLGM_FILENAME, reinterpret_cast<WPARAM>("x\x1b[1Ay\n.bin"));
    EXPECT_EQ(plain.terminal.Out(), "File name: x\\x1b[1Ay\\x0a.bin\n");
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
