#pragma once
// Messages between threads, with Win32 semantics.
//
// Posting queues a message for the thread that owns the window and returns
// at once. Sending calls the window procedure directly when the window
// belongs to the calling thread; otherwise the message waits for the owner
// thread, which handles it the next time it is in GetMessage, PeekMessage,
// DispatchPendingMessages or any wait of this layer, and the sender waits
// for the result. While it waits, the sender handles the messages sent to
// its own windows, so A sending to B while B sends to A completes. A send
// fails (returns 0, last error ERROR_INVALID_WINDOW_HANDLE) when the window
// dies or its thread ends before handling it, and never waits on a dead
// window.
#include <functional>

#include "platform/WindowTypes.h"

namespace win {

// Fails with ERROR_INVALID_WINDOW_HANDLE for a window that is gone, and with
// ERROR_NOT_ENOUGH_QUOTA when the owner's queue is full. A null window posts
// to the calling thread.
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Nonzero on success, with the procedure's result in *result (may be null).
// 0 with ERROR_TIMEOUT when the owner did not finish in time: a send it has
// not started is withdrawn, one it has started completes unseen. SMTO_BLOCK:
// the caller serves no sends to its own windows while it waits.
// SMTO_ABORTIFHUNG is accepted; a hung thread is noticed by the time-out.
LRESULT SendMessageTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                           UINT timeoutMs, DWORD_PTR* result);
// Sends without waiting for a window of another thread (directly for one of
// the caller's own): handled before that thread's posted messages.
BOOL SendNotifyMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Serves sends while waiting. Returns 1 for a message, 0 for WM_QUIT, -1 on
// error. Order: posted messages, then the quit request, then due timers.
int GetMessage(MSG* msg);
BOOL PeekMessage(MSG* msg, UINT removeFlags);
// Calls the procedure of msg->hwnd when that window is alive and belongs to
// the calling thread; otherwise 0.
LRESULT DispatchMessage(const MSG* msg);

// Handles the calling thread's messages until finished() is true, checked
// after every message (posted or sent). finished() must become true through
// a message to this thread, as a message box's button or MBM_DISMISS does.
// Returns false when WM_QUIT arrived; the quit request is posted again for
// the outer loop. A thread with a dispatcher runs the dispatcher's loop.
bool RunModalLoop(const std::function<bool()>& finished);

}  // namespace win
