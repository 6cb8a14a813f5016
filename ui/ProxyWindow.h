#pragma once
// A question the worker thread must ask (a message box, the folder dialog)
// while it never touches a widget: the widget is shown by the UI thread on
// the worker's behalf, modally, while the worker waits. For the control's
// CloseMessageBoxes and CloseFolderDialog the question must still be a
// window of the WORKER's thread, titled as the widget is. So the worker
// creates a proxy window first (on its own thread), asks the UI thread, and
// destroys the proxy afterwards.
//
// While it waits the worker serves its own messages. MBM_DISMISS sent to the
// proxy ends the wait at once with IDDISMISSED (-1), without waiting for the
// UI thread (which may itself be blocked on the worker), and closes the
// widget by a queued call. A dismissal that comes before the question began
// answers it with IDDISMISSED without showing anything. WM_CLOSE is passed on to the widget
// (queued); with a close result set, it also ends the wait at once with that result.
//
// Usage, on the worker:
//     CProxyWindow proxy(caption);
//     int answer = proxy.RunModal(uiObject, [text, caption](CProxySession& session) {
//         CMyMsgBox box(text, caption, ...);  // UI thread
//         session.Attach(&box);               // MBM_DISMISS / WM_CLOSE reach it
//         return box.exec();
//     });
// After a dismissal RunModal returns while `show` may still be running on
// the UI thread, so `show` must own what it uses (capture by value).
#include <QObject>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/WindowTypes.h"

class QDialog;

// The UI side of one question: what the forwarded messages do.
class CProxySession {
public:
    virtual ~CProxySession() = default;
    // UI thread. MBM_DISMISS calls onDismiss, WM_CLOSE calls onClose, both
    // as queued calls on `receiver`'s thread and only while it lives. A
    // message that arrived before Attach is passed on now.
    virtual void Attach(QObject* receiver, std::function<void()> onDismiss,
                        std::function<void()> onClose) = 0;
    // The usual case: MBM_DISMISS ends the dialog with -1, WM_CLOSE closes it.
    void Attach(QDialog* dialog);
    // True once the worker stopped waiting: no need to show anything.
    virtual bool Ended() const = 0;
};

class CProxyWindow {
public:
    // Calling thread (the one that will wait): a hidden top-level window
    // titled `title`, owned by `owner` (may be null).
    explicit CProxyWindow(std::string_view title, win::HWND owner = nullptr);
    // Destroys the window (calling thread, as for every window).
    ~CProxyWindow();
    CProxyWindow(const CProxyWindow&) = delete;
    CProxyWindow& operator=(const CProxyWindow&) = delete;

    win::HWND Hwnd() const;
    // WM_CLOSE ends the wait at once with `result` (the folder dialog: IDCANCEL).
    void SetCloseResult(int result);

    // Runs `show` on the thread of `uiContext` (an object that outlives the
    // proxy) and waits for its result, serving this thread's messages.
    // IDDISMISSED when dismissed, or when the window could not be created.
    // One question at a time.
    int RunModal(QObject* uiContext, std::function<int(CProxySession&)> show);

private:
    class State;
    std::shared_ptr<State> state_;
};
