#pragma once
// The assistant's reply window: a window that is never shown, owned by the
// control's window, with a receiver so that the assistant's WM_COPYDATA
// records reach it from the other process. Each record goes to the owner's
// reply handler on the window's thread.
#include "assistant/AssistantOwner.h"
#include "platform/CopyData.h"
#include "platform/WindowTypes.h"

namespace kivassistant {

class CHiddenWnd {
public:
    // `owner` may be null: replies are then accepted and dropped.
    explicit CHiddenWnd(IAssistantOwner* owner) : owner_(owner) {}
    ~CHiddenWnd() { Destroy(); }
    CHiddenWnd(const CHiddenWnd&) = delete;
    CHiddenWnd& operator=(const CHiddenWnd&) = delete;

    // On the thread that is to serve the replies. False with the last error.
    bool Create(win::HWND ownerWindow);
    // Stops receiving, then destroys the window (if its owner has not taken
    // it along already). On the window's thread.
    void Destroy();
    win::HWND Hwnd() const { return hwnd_; }
    // Replies are taken from this process and from the assistant program's
    // process alone; until it is named, from this process only.
    void AcceptRepliesFrom(win::DWORD processId) { receiver_.AcceptOnlyFrom(processId); }

private:
    win::LRESULT Procedure(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                           win::LPARAM lParam);

    IAssistantOwner* owner_;
    win::HWND hwnd_ = nullptr;
    win::CCopyDataReceiver receiver_;
};

}  // namespace kivassistant
