// A worker thread's window standing for a question the UI thread shows.
#include "ui/ProxyWindow.h"

#include <QDialog>
#include <QPointer>
#include <mutex>
#include <optional>
#include <vector>

#include "control/ControlServices.h"
#include "platform/Message.h"
#include "platform/Window.h"
#include "transfer/ControlMessages.h"

namespace {

// Posted by the UI thread to the proxy with the answer in wParam.
constexpr win::UINT kProxyAnswered = WM_APP + 0x100;

}  // namespace

// Shared by the waiting thread, the proxy's procedure (same thread) and the
// UI thread; queued calls hold it, so it outlives whichever side ends first.
class CProxyWindow::State : public CProxySession, public std::enable_shared_from_this<State> {
public:
    void Attach(QObject* receiver, std::function<void()> onDismiss,
                std::function<void()> onClose) override {
        std::vector<win::UINT> early;
        {
            std::lock_guard<std::mutex> hold(mutex_);
            receiver_ = receiver;
            onDismiss_ = std::move(onDismiss);
            onClose_ = std::move(onClose);
            early.swap(early_);
        }
        // Queued, so a dismissal that came first reaches the dialog's own
        // loop instead of ending it before it runs.
        for (win::UINT message : early) {
            QMetaObject::invokeMethod(
                receiver, [self = shared_from_this(), message] { self->Deliver(message); },
                Qt::QueuedConnection);
        }
    }
    bool Ended() const override {
        std::lock_guard<std::mutex> hold(mutex_);
        return ended_;
    }

    // Waiting thread. False when the proxy was dismissed before the
    // question began: the answer is IDDISMISSED and nothing is shown.
    bool Begin(QObject* uiContext) {
        std::lock_guard<std::mutex> hold(mutex_);
        uiContext_ = uiContext;
        answer_ = IDDISMISSED;
        early_.clear();
        receiver_ = nullptr;
        waiting_ = !dismissedEarly_;
        ended_ = dismissedEarly_;
        dismissedEarly_ = false;
        return waiting_;
    }
    int End() {
        std::lock_guard<std::mutex> hold(mutex_);
        waiting_ = false;
        ended_ = true;
        return answer_;
    }
    void Finish(int answer) {
        std::lock_guard<std::mutex> hold(mutex_);
        if (!waiting_ || ended_) return;
        ended_ = true;
        answer_ = answer;
    }
    // MBM_DISMISS: also a question that has not begun yet is answered.
    void Dismiss() {
        std::lock_guard<std::mutex> hold(mutex_);
        if (!waiting_) {
            dismissedEarly_ = true;
        } else if (!ended_) {
            ended_ = true;
            answer_ = IDDISMISSED;
        }
    }
    void SetCloseResult(int result) {
        std::lock_guard<std::mutex> hold(mutex_);
        closeResult_ = result;
    }
    std::optional<int> CloseResult() const {
        std::lock_guard<std::mutex> hold(mutex_);
        return closeResult_;
    }
    // Proxy's thread: hands the message to the UI thread.
    void Forward(win::UINT message) {
        QObject* context = nullptr;
        {
            std::lock_guard<std::mutex> hold(mutex_);
            context = uiContext_;
        }
        if (context == nullptr) return;
        QMetaObject::invokeMethod(
            context, [self = shared_from_this(), message] { self->Deliver(message); },
            Qt::QueuedConnection);
    }

    win::HWND hwnd = nullptr;

private:
    // UI thread: the attached widget's handler, or kept for Attach.
    void Deliver(win::UINT message) {
        std::function<void()> handler;
        {
            std::lock_guard<std::mutex> hold(mutex_);
            if (receiver_ == nullptr) {
                early_.push_back(message);
                return;
            }
            handler = message == MBM_DISMISS ? onDismiss_ : onClose_;
        }
        if (handler) handler();
    }

    mutable std::mutex mutex_;
    QObject* uiContext_ = nullptr;
    QPointer<QObject> receiver_;  // read and cleared on the UI thread only
    std::function<void()> onDismiss_;
    std::function<void()> onClose_;
    std::vector<win::UINT> early_;
    bool waiting_ = false;
    bool ended_ = false;
    bool dismissedEarly_ = false;
    int answer_ = IDDISMISSED;
    std::optional<int> closeResult_;
};

void CProxySession::Attach(QDialog* dialog) {
    QPointer<QDialog> guarded(dialog);
    Attach(
        dialog,
        [guarded] {
            if (guarded) guarded->done(IDDISMISSED);
        },
        [guarded] {
            if (guarded) guarded->close();
        });
}

CProxyWindow::CProxyWindow(std::string_view title, win::HWND owner)
    : state_(std::make_shared<State>()) {
    std::weak_ptr<State> weak = state_;
    state_->hwnd = win::CreateWindow(
        [weak](win::HWND hwnd, win::UINT message, win::WPARAM wParam,
               win::LPARAM lParam) -> win::LRESULT {
            const std::shared_ptr<State> state = weak.lock();
            if (!state) return win::DefWindowProc(hwnd, message, wParam, lParam);
            switch (message) {
                case MBM_DISMISS:
                    // Ends the wait now: the UI thread may be waiting for us.
                    state->Dismiss();
                    state->Forward(message);
                    return 0;
                case win::WM_CLOSE:
                    if (const auto result = state->CloseResult()) state->Finish(*result);
                    state->Forward(message);
                    return 0;  // the proxy lives until its owner destroys it
                case kProxyAnswered:
                    state->Finish(static_cast<int>(static_cast<win::LPARAM>(wParam)));
                    return 0;
                default:
                    return win::DefWindowProc(hwnd, message, wParam, lParam);
            }
        },
        title, 0, owner);
}

CProxyWindow::~CProxyWindow() {
    if (state_->hwnd != nullptr && win::IsWindow(state_->hwnd)) win::DestroyWindow(state_->hwnd);
}

win::HWND CProxyWindow::Hwnd() const {
    return state_->hwnd;
}

void CProxyWindow::SetCloseResult(int result) {
    state_->SetCloseResult(result);
}

int CProxyWindow::RunModal(QObject* uiContext, std::function<int(CProxySession&)> show) {
    const win::HWND hwnd = state_->hwnd;
    if (hwnd == nullptr || uiContext == nullptr || !win::IsWindow(hwnd)) return IDDISMISSED;
    if (!state_->Begin(uiContext)) return state_->End();
    QMetaObject::invokeMethod(
        uiContext,
        [state = state_, show = std::move(show), hwnd] {
            if (state->Ended()) return;  // dismissed before the UI thread got here
            const int answer = show(*state);
            win::PostMessage(hwnd, kProxyAnswered, static_cast<win::WPARAM>(answer), 0);
        },
        Qt::QueuedConnection);
    const std::shared_ptr<State> state = state_;
    win::RunModalLoop([state] { return state->Ended(); });
    return state_->End();
}
