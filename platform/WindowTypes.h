#pragma once
// The window manager's vocabulary: handles, message parameters, the message
// record and the system message numbers this layer produces or understands.
#include <cstdint>
#include <functional>

#include "platform/WinTypes.h"

namespace win {

// Opaque, as STRICT Windows headers declare them: a window handle cannot be
// mixed up with a kernel handle or an integer.
struct HWND__;
using HWND = HWND__*;

using UINT = unsigned;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;

// The first message number free for a program's own messages.
constexpr UINT WM_APP = 0x8000;

using WNDPROC = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;  // milliseconds of the steady clock when queued
};

// lParam of WM_CREATE.
struct CREATESTRUCT {
    void* lpCreateParams = nullptr;
    HWND hwndParent = nullptr;
    const char* lpszName = "";
    DWORD style = 0;
};

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_TIMER = 0x0113;

// Window styles this layer keeps.
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_DISABLED = 0x08000000u;

// ShowWindow commands; every one but SW_HIDE shows the window.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;
constexpr int SW_SHOWNA = 8;
constexpr int SW_MAX = 11;

// GetAncestor
constexpr UINT GA_PARENT = 1;
constexpr UINT GA_ROOT = 2;
constexpr UINT GA_ROOTOWNER = 3;

// GetWindow
constexpr UINT GW_OWNER = 4;

// PeekMessage
constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;

// SendMessageTimeout
constexpr UINT SMTO_NORMAL = 0x0000;
constexpr UINT SMTO_BLOCK = 0x0001;
constexpr UINT SMTO_ABORTIFHUNG = 0x0002;

// MsgWaitForMultipleObjects wake masks.
constexpr DWORD QS_TIMER = 0x0010;
constexpr DWORD QS_POSTMESSAGE = 0x0008;
constexpr DWORD QS_SENDMESSAGE = 0x0040;
constexpr DWORD QS_ALLPOSTMESSAGE = 0x0100;
constexpr DWORD QS_ALLINPUT = 0x04FF;

constexpr UINT USER_TIMER_MINIMUM = 10;
// A thread's queue holds at most this many posted messages, as on Windows.
constexpr std::size_t POSTED_MESSAGE_QUOTA = 10000;

constexpr DWORD ERROR_NOT_ENOUGH_QUOTA = 1816;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_INVALID_THREAD_ID = 1444;
constexpr DWORD ERROR_TLW_WITH_WSCHILD = 1406;

}  // namespace win
