#include <gtest/gtest.h>

#include <QDialog>
#include <atomic>

#include "platform/Message.h"
#include "platform/Thread.h"
#include "platform/Window.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/QtThreadDispatcher.h"
#include "ui/WidgetWindow.h"

namespace {

std::vector<win::HWND> ThreadWindows(win::DWORD threadId) {
    std::vector<win::HWND> found;
    win::EnumThreadWindows(threadId, [&](win::HWND hwnd) {
        found.push_back(hwnd);
        return win::TRUE;
    });
    return found;
}

TEST(WidgetWindowTest, TitleVisibilityAndEnabledStateAreMirroredBothWays) {
    QWidget widget;
    widget.setWindowTitle(QString::fromUtf8("Kiv ダウンローダー"));
    CWidgetWindow window(&widget);
    const win::HWND hwnd = window.Hwnd();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(CWidgetWindow::Of(&widget), &window);
    EXPECT_EQ(win::GetWindowTextString(hwnd), "Kiv ダウンローダー");
    EXPECT_FALSE(win::IsWindowVisible(hwnd));

    widget.setWindowTitle("Kiv Downloader(1/3)");
    EXPECT_EQ(win::GetWindowTextString(hwnd), "Kiv Downloader(1/3)");
    win::SetWindowText(hwnd, "from the window layer");
    EXPECT_EQ(widget.windowTitle(), "from the window layer");

    widget.show();
    EXPECT_TRUE(win::IsWindowVisible(hwnd));
    win::ShowWindow(hwnd, win::SW_HIDE);
    EXPECT_TRUE(widget.isHidden());

    widget.setEnabled(false);
    EXPECT_FALSE(win::IsWindowEnabled(hwnd));
    win::EnableWindow(hwnd, win::TRUE);
    EXPECT_TRUE(widget.isEnabled());
}

// A disabled window keeps its child controls out of reach but not the boxes
// it owns, whichever comes first: the disable (sent from the worker) or the
// box (shown by the UI thread).
TEST(WidgetWindowTest, DisablingAWindowLeavesTheBoxesItOwnsUsable) {
    QWidget browser;
    auto* control = new QWidget(&browser);
    CWidgetWindow window(&browser);
    browser.show();

    QDialog before(control);
    before.show();
    win::EnableWindow(window.Hwnd(), win::FALSE);
    EXPECT_FALSE(control->isEnabled());
    EXPECT_TRUE(before.isEnabled()) << "a box shown before the disable";
    QDialog after(control);
    after.show();
    EXPECT_TRUE(after.isEnabled()) << "a box shown after the disable";

    QDialog disabledOnItsOwn(control);
    disabledOnItsOwn.setEnabled(false);
    win::EnableWindow(window.Hwnd(), win::TRUE);
    win::EnableWindow(window.Hwnd(), win::FALSE);
    EXPECT_FALSE(disabledOnItsOwn.isEnabled()) << "a box's own state is kept";
    win::EnableWindow(window.Hwnd(), win::TRUE);
    EXPECT_TRUE(control->isEnabled());
    EXPECT_TRUE(before.isEnabled());
}

TEST(WidgetWindowTest, UnhandledMessagesGetTheDefaultAndCloseClosesTheWidget) {
    QDialog dialog;
    dialog.setWindowTitle("Kiv Downloader");
    CWidgetWindow window(&dialog);
    window.SetHandler([](win::UINT message, win::WPARAM, win::LPARAM) {
        return message == 0x8000 + 20 ? std::optional<win::LRESULT>(0) : std::nullopt;
    });
    const win::HWND hwnd = window.Hwnd();
    char text[64] = {};
    EXPECT_EQ(
        win::SendMessage(hwnd, win::WM_GETTEXT, sizeof text, reinterpret_cast<win::LPARAM>(text)),
        14);
    EXPECT_STREQ(text, "Kiv Downloader");
    dialog.show();
    EXPECT_EQ(win::SendMessage(hwnd, win::WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(win::IsWindow(hwnd)) << "the handle lives as long as the adapter";
}

TEST(WidgetWindowTest, TheHandleIsAWindowOfTheUiThreadAndGoesWithTheWidget) {
    auto widget = std::make_unique<QWidget>();
    widget->setWindowTitle("box");
    CWidgetWindow window(widget.get());
    const win::HWND hwnd = window.Hwnd();
    const std::vector<win::HWND> windows = ThreadWindows(win::GetCurrentThreadId());
    EXPECT_NE(std::find(windows.begin(), windows.end(), hwnd), windows.end());
    widget.reset();
    EXPECT_FALSE(win::IsWindow(hwnd));
    EXPECT_EQ(window.Hwnd(), nullptr);
    // The adapter outlives its widget harmlessly.
    {
        QWidget other;
        auto adapter = std::make_unique<CWidgetWindow>(&other);
        EXPECT_EQ(CWidgetWindow::Of(&other), adapter.get());
        adapter.reset();
        EXPECT_EQ(CWidgetWindow::Of(&other), nullptr);
    }
}

TEST(WidgetWindowTest, AnotherThreadShowsAndRetitlesTheWidgetThroughItsWindow) {
    CQtThreadDispatcher dispatcher;
    QWidget widget;
    CWidgetWindow window(&widget);
    const win::HWND hwnd = window.Hwnd();
    win::CThread worker;
    ASSERT_TRUE(worker.Create([hwnd] {
        win::ShowWindow(hwnd, win::SW_SHOW);
        win::SetWindowText(hwnd, "set by the worker");
        return win::DWORD{0};
    }));
    EXPECT_TRUE(uitest::ProcessEventsUntil(
        [&] { return widget.isVisible() && widget.windowTitle() == "set by the worker"; }));
    EXPECT_EQ(worker.Wait(uitest::kBoundMs), win::WAIT_OBJECT_0);
}

}  // namespace
