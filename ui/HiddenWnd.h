#pragma once
// A window that is never shown: a top-level window of the window layer (no
// style bits, empty title) owned by the control's window, through which the
// assistant program's data records (WM_COPYDATA) reach the control. Needs no
// Qt: it is a window-layer window only.
#include "platform/WindowTypes.h"

constexpr win::UINT WM_COPYDATA = 0x004A;

// lParam of WM_COPYDATA.
struct COPYDATASTRUCT {
    win::DWORD_PTR dwData = 0;
    win::DWORD cbData = 0;
    const void* lpData = nullptr;
};

// The control's side: handles one record and answers for it.
class ICopyDataSink {
public:
    virtual ~ICopyDataSink() = default;
    virtual win::LRESULT OnCopyData(win::HWND sender, const COPYDATASTRUCT& record) = 0;
};

class CHiddenWnd {
public:
    explicit CHiddenWnd(ICopyDataSink* control = nullptr) : control_(control) {}
    ~CHiddenWnd();
    CHiddenWnd(const CHiddenWnd&) = delete;
    CHiddenWnd& operator=(const CHiddenWnd&) = delete;

    // On the calling thread, owned by `owner`. False when it could not be made.
    bool Create(win::HWND owner);
    void Destroy();
    win::HWND Hwnd() const { return hwnd_; }

    // WM_COPYDATA (wParam: the sender's window, lParam: COPYDATASTRUCT*):
    // the control's answer; 1 without a control; 0 for a missing record,
    // which is never handed on.
    win::LRESULT OnCopyData(win::WPARAM sender, win::LPARAM record);

private:
    ICopyDataSink* control_;
    win::HWND hwnd_ = nullptr;
};
