#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "WindowTestSupport.h"
#include "platform/LastError.h"

namespace {

using namespace win;
using namespace wintest;

std::vector<HWND> ThreadWindows(DWORD threadId, BOOL* result = nullptr) {
    std::vector<HWND> found;
    const BOOL all = EnumThreadWindows(threadId, [&found](HWND hwnd) {
        found.push_back(hwnd);
        return TRUE;
    });
    if (result != nullptr) *result = all;
    return found;
}

// Records the notifications a window receives.
struct NotificationLog {
    WNDPROC Proc() {
        return [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WM_SHOWWINDOW || message == WM_ENABLE)
                entries.push_back({message, wParam});
            return DefWindowProc(hwnd, message, wParam, lParam);
        };
    }
    std::vector<std::pair<UINT, WPARAM>> entries;
};

TEST(WindowTreeTest, EnumThreadWindowsListsOnlyThatThreadsTopLevelWindows) {
    ScopedWindow frame(Plain, WS_VISIBLE);
    ScopedWindow child(Plain, WS_CHILD, frame.Get());
    ScopedWindow box(Plain, WS_VISIBLE, frame.Get());  // owned, still top-level
    WindowThread other(Plain);

    BOOL all = FALSE;
    EXPECT_EQ(ThreadWindows(GetCurrentThreadId(), &all),
              (std::vector<HWND>{frame.Get(), box.Get()}));
    EXPECT_TRUE(all);
    EXPECT_EQ(ThreadWindows(other.ThreadId()), std::vector<HWND>{other.Window()});

    int calls = 0;
    EXPECT_FALSE(EnumThreadWindows(GetCurrentThreadId(), [&calls](HWND) {
        ++calls;
        return FALSE;
    }));
    EXPECT_EQ(calls, 1) << "FALSE stops the walk";
    const DWORD noSuchThread = 0x7FFFFFF0;
    EXPECT_TRUE(ThreadWindows(noSuchThread, &all).empty());
    EXPECT_FALSE(all);
}

TEST(WindowTreeTest, ParentsOwnersAndAncestors) {
    ScopedWindow frame(Plain, WS_VISIBLE);
    ScopedWindow control(Plain, WS_CHILD, frame.Get());
    ScopedWindow dialog(Plain, WS_CHILD, control.Get());
    ScopedWindow box(Plain, 0, dialog.Get());  // a message box owned by the dialog

    EXPECT_EQ(GetParent(dialog.Get()), control.Get());
    EXPECT_EQ(GetAncestor(dialog.Get(), GA_PARENT), control.Get());
    EXPECT_EQ(GetAncestor(dialog.Get(), GA_ROOT), frame.Get());
    EXPECT_EQ(GetAncestor(frame.Get(), GA_ROOT), frame.Get());
    EXPECT_EQ(GetParent(box.Get()), dialog.Get()) << "a top-level window's parent is its owner";
    EXPECT_EQ(GetWindow(box.Get(), GW_OWNER), dialog.Get());
    EXPECT_EQ(GetAncestor(box.Get(), GA_PARENT), nullptr);
    EXPECT_EQ(GetAncestor(box.Get(), GA_ROOT), box.Get());
    EXPECT_EQ(GetAncestor(box.Get(), GA_ROOTOWNER), frame.Get());
    EXPECT_EQ(GetWindow(dialog.Get(), GW_OWNER), nullptr);

    DWORD process = 0;
    EXPECT_EQ(GetWindowThreadProcessId(dialog.Get(), &process), GetCurrentThreadId());
    EXPECT_EQ(process, GetCurrentProcessId());
}

TEST(WindowTreeTest, VisibilityFollowsParentsAndIsAnnounced) {
    NotificationLog log;
    ScopedWindow frame(Plain);
    ScopedWindow child(log.Proc(), WS_CHILD | WS_VISIBLE, frame.Get());
    EXPECT_FALSE(IsWindowVisible(child.Get())) << "the hidden parent hides it";
    EXPECT_FALSE(ShowWindow(frame.Get(), SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(child.Get()));
    EXPECT_TRUE(ShowWindow(child.Get(), SW_HIDE));
    EXPECT_FALSE(ShowWindow(child.Get(), SW_HIDE));
    EXPECT_FALSE(ShowWindow(child.Get(), SW_SHOWNORMAL));
    EXPECT_TRUE(IsWindowVisible(child.Get()));
    const std::vector<std::pair<UINT, WPARAM>> expected{{WM_SHOWWINDOW, FALSE},
                                                        {WM_SHOWWINDOW, TRUE}};
    EXPECT_EQ(log.entries, expected) << "only changes are announced";
    EXPECT_FALSE(ShowWindow(child.Get(), SW_MAX + 1));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(WindowTreeTest, EnableReportsThePreviousStateAndIsAnnounced) {
    NotificationLog log;
    ScopedWindow button(log.Proc(), WS_DISABLED);
    EXPECT_FALSE(IsWindowEnabled(button.Get()));
    EXPECT_TRUE(EnableWindow(button.Get(), TRUE)) << "it was disabled";
    EXPECT_FALSE(EnableWindow(button.Get(), TRUE));
    EXPECT_TRUE(IsWindowEnabled(button.Get()));
    EXPECT_FALSE(EnableWindow(button.Get(), FALSE));
    const std::vector<std::pair<UINT, WPARAM>> expected{{WM_ENABLE, TRUE}, {WM_ENABLE, FALSE}};
    EXPECT_EQ(log.entries, expected);
}

TEST(WindowTreeTest, StateChangesOfAnotherThreadsWindowDoNotWaitForIt) {
    Gate gate;
    std::atomic<bool> busy{false};
    WindowThread thread([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == kApp) {
            busy = true;
            gate.Wait();
        }
        return DefWindowProc(hwnd, message, wParam, lParam);
    });
    GateOpener opener(gate);  // destroyed first: the thread must not stay blocked
    ASSERT_TRUE(SetWindowText(thread.Window(), "Kiv Downloader"));
    ASSERT_TRUE(PostMessage(thread.Window(), kApp, 0, 0));
    ASSERT_TRUE(Eventually([&] { return busy.load(); }));
    // All of these would hang until the gate opens if they waited for the owner.
    EXPECT_TRUE(ShowWindow(thread.Window(), SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(thread.Window()));
    EXPECT_FALSE(EnableWindow(thread.Window(), FALSE));
    EXPECT_EQ(GetWindowTextString(thread.Window()), "Kiv Downloader");
}

TEST(WindowTreeTest, TextIsKeptByDefWindowProcAndCutAtWholeCharacters) {
    ScopedWindow window(Plain);
    ASSERT_TRUE(SetWindowText(window.Get(), "Z\xC3\xBCrich"));  // "Zürich" in UTF-8
    EXPECT_EQ(GetWindowTextLength(window.Get()), 7);
    char buffer[16];
    EXPECT_EQ(GetWindowText(window.Get(), buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "Z\xC3\xBCrich");
    EXPECT_EQ(GetWindowText(window.Get(), buffer, 3), 1) << "no half of the two-byte character";
    EXPECT_STREQ(buffer, "Z");
    EXPECT_EQ(SendMessage(window.Get(), WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buffer)), 3);
    EXPECT_STREQ(buffer, "Z\xC3\xBC");

    ScopedWindow ignoresText([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    EXPECT_FALSE(SetWindowText(ignoresText.Get(), "lost"));
    EXPECT_EQ(GetWindowTextString(ignoresText.Get()), "");
}

}  // namespace
