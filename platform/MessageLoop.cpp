#include "platform/KernelCore.h"
#include "platform/LastError.h"
#include "platform/Message.h"
#include "platform/MessageCore.h"
#include "platform/ThreadDispatcher.h"
#include "platform/ThreadRecord.h"
#include "platform/Wait.h"
#include "platform/WindowRecord.h"

namespace win {

namespace {

using detail::KernelLock;
using detail::KernelMutex;
using detail::ThreadRecord;

bool RunPlainModalLoop(const std::function<bool()>& finished) {
    MSG msg;
    while (!finished()) {
        if (PeekMessage(&msg, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return false;
            }
            DispatchMessage(&msg);
            continue;
        }
        // Returns after serving sends too, so a sent MBM_DISMISS ends the loop.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
    }
    return true;
}

DWORD MillisecondsUntil(std::optional<detail::Clock::time_point> due) {
    if (!due) return INFINITE;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - detail::Clock::now());
    return left.count() <= 0 ? 0 : static_cast<DWORD>(left.count());
}

}  // namespace

int GetMessage(MSG* msg) {
    if (msg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    const std::shared_ptr<ThreadRecord>& self = detail::CurrentThread();
    KernelLock lock(KernelMutex());
    const detail::Deadline never(INFINITE);
    for (;;) {
        if (detail::ServeOneSend(lock, *self)) continue;
        if (detail::TakeInput(*self, *msg, true)) return msg->message == WM_QUIT ? 0 : 1;
        never.WaitOn(self->wake, lock, detail::NextTimerDue(*self));
    }
}

BOOL PeekMessage(MSG* msg, UINT removeFlags) {
    if (msg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::shared_ptr<ThreadRecord>& self = detail::CurrentThread();
    KernelLock lock(KernelMutex());
    while (detail::ServeOneSend(lock, *self)) {
    }
    return detail::TakeInput(*self, *msg, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

LRESULT DispatchMessage(const MSG* msg) {
    if (msg == nullptr || msg->hwnd == nullptr) return 0;
    const std::shared_ptr<ThreadRecord>& self = detail::CurrentThread();
    std::shared_ptr<const WNDPROC> proc;
    {
        KernelLock lock(KernelMutex());
        std::shared_ptr<detail::WindowRecord> window = detail::FindWindowRecord(msg->hwnd);
        if (!window || window->owner != self) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        proc = window->proc;
    }
    return (*proc)(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

bool RunModalLoop(const std::function<bool()>& finished) {
    const std::shared_ptr<ThreadRecord>& self = detail::CurrentThread();
    std::shared_ptr<IThreadDispatcher> dispatcher;
    {
        KernelLock lock(KernelMutex());
        dispatcher = self->dispatcher;
    }
    return dispatcher ? dispatcher->RunModalLoop(finished) : RunPlainModalLoop(finished);
}

void BindThreadDispatcher(std::shared_ptr<IThreadDispatcher> dispatcher) {
    const std::shared_ptr<ThreadRecord>& self = detail::CurrentThread();
    std::shared_ptr<IThreadDispatcher> toWake;
    {
        KernelLock lock(KernelMutex());
        self->dispatcher.swap(dispatcher);
        // What arrived before the binding must not wait for the next arrival.
        const bool pending =
            !self->sends.empty() || !self->timers.empty() || detail::HasInput(*self, QS_ALLINPUT);
        if (pending) toWake = self->dispatcher;
    }
    detail::WakeDispatcher(toWake);
}

PumpResult DispatchPendingMessages() {
    const std::shared_ptr<ThreadRecord>& self = detail::CurrentThread();
    PumpResult result;
    KernelLock lock(KernelMutex());
    // Only what is queued now (each timer at most once): a busy poster must
    // not keep the outer loop here.
    std::size_t budget = self->posted.size() + self->timers.size();
    MSG msg;
    for (;;) {
        if (detail::ServeOneSend(lock, *self)) continue;
        // A quit request comes before timers and is reported, not dispatched.
        if (budget == 0 || (self->posted.empty() && self->quitPosted)) break;
        if (!detail::TakeInput(*self, msg, true)) break;
        --budget;
        if (msg.message == WM_QUIT) {  // PostThreadMessage(WM_QUIT), as GetMessage sees it
            result.quitRequested = true;
            result.quitCode = static_cast<int>(msg.wParam);
            break;
        }
        lock.unlock();
        DispatchMessage(&msg);
        lock.lock();
    }
    if (!result.quitRequested && self->quitPosted && self->posted.empty()) {
        result.quitRequested = true;
        result.quitCode = self->quitCode;
        self->quitPosted = false;
    }
    result.msUntilNextTimer = MillisecondsUntil(detail::NextTimerDue(*self));
    return result;
}

}  // namespace win
