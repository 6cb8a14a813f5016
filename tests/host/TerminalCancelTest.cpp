// Ctrl+C: the SIGINT handler and its self-pipe, where an interrupt goes
// (the dialog's cancel question, an open question, straight to the cancel
// event), and the escape hatch for every stop signal once the run is already
// cancelled, which puts back hidden typing first.
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>

#include "frontends/terminal/TerminalCancel.h"
#include "frontends/terminal/TerminalDownloadDialog.h"
#include "frontends/terminal/TerminalInterrupt.h"
#include "platform/Event.h"
#include "platform/Language.h"
#include "platform/Message.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "tests/host/TerminalTestIo.h"

namespace {

using kivterm::CTerminalCancel;
using kivterm::CTerminalConsole;
using kivterm::CTerminalInterrupt;
using termtest::CapturedTerminal;

bool IsSet(const win::CEvent& event) {
    return win::WaitForSingleObject(event.Handle(), 0) == win::WAIT_OBJECT_0;
}

// Dispatches the test thread's messages until `done`; false at the bound.
bool PumpUntil(const std::function<bool()>& done) {
    return termtest::WaitUntil([&] {
        win::MSG msg;
        while (win::PeekMessage(&msg, win::PM_REMOVE)) win::DispatchMessage(&msg);
        return done();
    });
}

// A window standing in for the dialog: counts the interrupts it is posted.
class InterruptCounter {
public:
    InterruptCounter() {
        window_ = win::CreateWindow(
            [this](win::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
                if (message == kivterm::kTerminalInterrupt) ++count;
                return win::DefWindowProc(hwnd, message, wParam, lParam);
            },
            "dialog", 0);
    }
    ~InterruptCounter() { win::DestroyWindow(window_); }
    win::HWND Window() const { return window_; }
    int count = 0;

private:
    win::HWND window_ = nullptr;
};

class TerminalCancelTest : public ::testing::Test {
protected:
    TerminalCancelTest() {
        win::OverrideLanguage(win::Language::English);
        cancelEvent.Create(true, false);
    }
    ~TerminalCancelTest() override { win::ResetLanguage(); }
    win::CEvent cancelEvent;
};

TEST_F(TerminalCancelTest, TheFirstCtrlCAsksThroughTheDialogASecondOneCancels) {
    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
    CTerminalConsole console(terminal.Io());
    CTerminalCancel cancel(console, true);
    InterruptCounter dialog;
    cancel.AttachDialog(dialog.Window(), cancelEvent.Handle());

    cancel.OnInterrupt();
    EXPECT_TRUE(PumpUntil([&] { return dialog.count == 1; }));
    EXPECT_FALSE(IsSet(cancelEvent));
    // The question has not shown yet: the user means it.
    cancel.OnInterrupt();
    EXPECT_TRUE(IsSet(cancelEvent));
    EXPECT_TRUE(cancel.Signalled());
    EXPECT_TRUE(CTerminalInterrupt::ImmediateExitArmed());
}

TEST_F(TerminalCancelTest, CtrlCCancelsAtOnceWhenNobodyCanBeAskedOrAQuestionIsOpen) {
    for (bool assumeYes : {false, true}) {
        CapturedTerminal terminal(assumeYes ? CapturedTerminal::Input::Scripted
                                            : CapturedTerminal::Input::None);
        CTerminalConsole console(terminal.Io());
        CTerminalCancel cancel(console, !assumeYes);
        InterruptCounter dialog;
        win::CEvent event;
        event.Create(true, false);
        cancel.AttachDialog(dialog.Window(), event.Handle());
        cancel.OnInterrupt();
        EXPECT_TRUE(IsSet(event));
        PumpUntil([] { return true; });
        EXPECT_EQ(dialog.count, 0);
    }

    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
    CTerminalConsole console(terminal.Io());
    CTerminalCancel cancel(console, true);
    kivterm::CTerminalQuestionState question;
    console.BeginQuestion(question);
    cancel.OnInterrupt();  // before the run has its dialog
    EXPECT_TRUE(question.Interrupted());
    console.EndQuestion(question);
    cancel.AttachDialog(nullptr, cancelEvent.Handle());
    EXPECT_TRUE(IsSet(cancelEvent));
}

TEST_F(TerminalCancelTest, TheSignalHandlerHandsEveryCtrlCToTheLoopAndIsPutBack) {
    struct sigaction before {};
    ::sigaction(SIGINT, nullptr, &before);
    std::atomic<int> interrupts{0};
    {
        CTerminalInterrupt interrupt;
        ASSERT_TRUE(interrupt.Start([&] { ++interrupts; }));
        CTerminalInterrupt second;
        EXPECT_FALSE(second.Start([] {}));  // one per process
        std::raise(SIGINT);
        std::raise(SIGINT);
        EXPECT_TRUE(termtest::WaitUntil([&] { return interrupts == 2; }));
    }
    struct sigaction after {};
    ::sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST_F(TerminalCancelTest, OnceCancelledTheNextSignalEndsTheProcessWithTypingShownAgain) {
    // Forked, not run again: the child must change this very terminal.
    GTEST_FLAG_SET(death_test_style, "fast");
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        EXPECT_EXIT(
            {
                // A password question hides the typing, then the signal comes.
                termios shown{};
                ::tcgetattr(slave, &shown);
                termios hidden = shown;
                hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
                CTerminalInterrupt::KeepTerminalModeForExit(slave, shown);
                ::tcsetattr(slave, TCSANOW, &hidden);
                CTerminalInterrupt interrupt;
                interrupt.Start([] {}, [] {});
                CTerminalInterrupt::ArmImmediateExit();
                std::raise(number);
                std::_Exit(0);
            },
            ::testing::KilledBySignal(number), "")
            << number;
        termios after{};
        ASSERT_EQ(::tcgetattr(slave, &after), 0);
        EXPECT_NE(after.c_lflag & ECHO, 0u) << number;
    }
    ::close(slave);
    ::close(master);
}

TEST_F(TerminalCancelTest, CtrlCAsksTheCancelQuestionAndASecondCtrlCAnswersIt) {
    CapturedTerminal terminal(CapturedTerminal::Input::Scripted);
    CTerminalConsole console(terminal.Io());
    kivterm::CTerminalMessageBoxService boxes(console, kivterm::TerminalOptions{});
    CTerminalCancel cancel(console, true);
    kivterm::CTerminalRunLog log(console, {});
    kivterm::CTerminalDownloadDialog dialog(console, boxes, cancel, log, false);
    const win::HWND control = win::CreateWindow(
        [](win::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            return win::DefWindowProc(hwnd, message, wParam, lParam);
        },
        "control", 0);
    ASSERT_TRUE(dialog.Create(control));
    win::CMutex pauseMutex;
    pauseMutex.Create(false);
    dialog.Configure("Kiv Downloader", cancelEvent.Handle(), pauseMutex.Handle(), "");
    win::SendMessage(dialog.Window(), DLGM_FILENAME, reinterpret_cast<WPARAM>("a.bin"), 0);

    CTerminalInterrupt interrupt;
    ASSERT_TRUE(interrupt.Start([&] { cancel.OnInterrupt(); }));
    std::raise(SIGINT);
    // The user presses Ctrl+C again at the question instead of answering.
    termtest::AskingThread user([&] {
        if (!termtest::WaitUntil([&] { return console.QuestionOpen(); })) return 0;
        std::raise(SIGINT);
        return 1;
    });
    EXPECT_TRUE(PumpUntil([&] { return IsSet(cancelEvent); }));
    EXPECT_EQ(user.Result(), 1);
    EXPECT_EQ(terminal.Prompts(), "Cancel file download?\nYes / No [Y/n]: \n");
    EXPECT_FALSE(dialog.Model().CancelEnabled());
    interrupt.Stop();
    win::DestroyWindow(control);
}

}  // namespace
