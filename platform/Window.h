#pragma once
// Windows as the Win32 window manager keeps them, without drawing: a handle
// (opaque, never reused within the process), the thread that created it and
// whose queue receives its messages, a procedure, a text, a parent (child
// windows) or an owner (top-level windows), and the visible and enabled
// states. Every function may be called from any thread; procedures always
// run on the owner thread, with none of this layer's locks held.
#include <functional>
#include <string>
#include <string_view>

#include "platform/WindowTypes.h"

namespace win {

// Creates a window owned by the calling thread and delivers WM_CREATE
// (lParam: CREATESTRUCT*). With WS_CHILD, `parent` is its parent (required,
// ERROR_TLW_WITH_WSCHILD otherwise); without, `parent` is the owner of a
// top-level window (may be null). A WM_CREATE result of -1 destroys the
// window again and returns null (ERROR_CANCELLED).
HWND CreateWindow(WNDPROC proc, std::string_view text, DWORD style, HWND parent = nullptr,
                  void* createParam = nullptr);
// Owner thread only (else ERROR_ACCESS_DENIED). Destroys the windows it owns
// first, then delivers WM_DESTROY to the window and then to its child
// windows, and WM_NCDESTROY to the children and last to the window; after
// that IsWindow is false, its queued messages and timers are gone and sends
// still waiting for it fail. Children made by other threads become
// top-level windows of their own threads.
BOOL DestroyWindow(HWND hwnd);
// True until DestroyWindow has finished (also during WM_DESTROY).
BOOL IsWindow(HWND hwnd);
// WM_GETTEXT, WM_GETTEXTLENGTH and WM_SETTEXT on the window's text;
// WM_CLOSE destroys the window; everything else returns 0.
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Reads the text directly, so it never waits for the owner thread. Copies
// at most maxCount - 1 bytes and never half a character; returns the bytes copied.
int GetWindowText(HWND hwnd, char* buffer, int maxCount);
int GetWindowTextLength(HWND hwnd);
std::string GetWindowTextString(HWND hwnd);
// Sends WM_SETTEXT (the procedure passes it to DefWindowProc to keep it).
BOOL SetWindowText(HWND hwnd, std::string_view text);

// The previous visibility; WM_SHOWWINDOW (wParam: shown) is sent, without
// waiting for another thread, when it changes.
BOOL ShowWindow(HWND hwnd, int command);
// The window and every parent above it are visible.
BOOL IsWindowVisible(HWND hwnd);
// Nonzero when the window was disabled before; WM_ENABLE (wParam: enabled)
// is sent, without waiting for another thread, when the state changes.
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);

// A child window's parent, or a top-level window's owner.
HWND GetParent(HWND hwnd);
// GA_PARENT: the parent (null for a top-level window: there is no desktop
// window); GA_ROOT: the top-level window above it through parents;
// GA_ROOTOWNER: from there on through owners as well.
HWND GetAncestor(HWND hwnd, UINT flags);
// GW_OWNER only.
HWND GetWindow(HWND hwnd, UINT command);
// The owner thread's id (0 for a dead window); *processId gets the process id.
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);

// Called without any lock; return FALSE to stop.
using WNDENUMPROC = std::function<BOOL(HWND)>;
// The top-level windows of one thread (children excluded, owned windows
// included), in creation order. TRUE when every call returned TRUE; FALSE
// when one stopped the walk or the thread has no top-level window.
BOOL EnumThreadWindows(DWORD threadId, const WNDENUMPROC& callback);
// The top-level windows of every thread of the process.
BOOL EnumWindows(const WNDENUMPROC& callback);

}  // namespace win
