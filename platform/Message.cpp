#include "platform/Message.h"

#include "platform/KernelCore.h"
#include "platform/LastError.h"
#include "platform/MessageCore.h"
#include "platform/ThreadRecord.h"
#include "platform/WindowRecord.h"

namespace win {

namespace {

using detail::KernelLock;
using detail::KernelMutex;
using detail::SentMessage;
using detail::ThreadRecord;

bool Enqueue(ThreadRecord& target, const MSG& msg) {
    if (target.posted.size() >= POSTED_MESSAGE_QUOTA) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return false;
    }
    target.posted.push_back(msg);
    return true;
}

BOOL PostTo(ThreadRecord& target, const MSG& msg, KernelLock& lock) {
    if (!Enqueue(target, msg)) return FALSE;
    std::shared_ptr<IThreadDispatcher> dispatcher =
        target.sleepsThroughPosts ? target.dispatcher : detail::NotifyThread(target);
    lock.unlock();
    detail::WakeDispatcher(dispatcher);
    return TRUE;
}

// Takes a send back from a thread that has not started it.
void Withdraw(ThreadRecord& receiver, const std::shared_ptr<SentMessage>& sent) {
    if (sent->state != SentMessage::State::Queued) return;
    std::erase(receiver.sends, sent);
}

bool AwaitReply(ThreadRecord& self, ThreadRecord& receiver,
                const std::shared_ptr<SentMessage>& sent, UINT flags, DWORD timeoutMs,
                LRESULT& result) {
    const detail::Deadline deadline(timeoutMs);
    const bool serveOwnSends = (flags & SMTO_BLOCK) == 0;
    KernelLock lock(KernelMutex());
    for (;;) {
        if (sent->state == SentMessage::State::Done) {
            result = sent->result;
            return true;
        }
        if (sent->state == SentMessage::State::Failed) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        if (serveOwnSends && detail::ServeOneSend(lock, self)) continue;
        if (deadline.Expired()) {
            Withdraw(receiver, sent);
            SetLastError(ERROR_TIMEOUT);
            return false;
        }
        deadline.WaitOn(self.wake, lock);
    }
}

// The common path of every send. `waitForReply` false: a notification.
bool SendCore(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, DWORD timeoutMs,
              bool waitForReply, LRESULT& result) {
    const std::shared_ptr<ThreadRecord>& self = detail::CurrentThread();
    std::shared_ptr<const WNDPROC> direct;
    std::shared_ptr<ThreadRecord> receiver;
    auto sent = std::make_shared<SentMessage>();
    std::shared_ptr<IThreadDispatcher> dispatcher;
    {
        KernelLock lock(KernelMutex());
        std::shared_ptr<detail::WindowRecord> window = detail::FindWindowRecord(hwnd);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        if (window->owner == self) {
            direct = window->proc;
        } else {
            receiver = window->owner;
            *sent = SentMessage{hwnd, message, wParam, lParam, waitForReply ? self : nullptr};
            receiver->sends.push_back(sent);
            dispatcher = detail::NotifyThread(*receiver);
        }
    }
    if (direct) {
        result = (*direct)(hwnd, message, wParam, lParam);
        return true;
    }
    detail::WakeDispatcher(dispatcher);
    result = 0;
    if (!waitForReply) return true;
    return AwaitReply(*self, *receiver, sent, flags, timeoutMs, result);
}

}  // namespace

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const MSG msg{hwnd, message, wParam, lParam, detail::MillisecondsSinceStart()};
    const std::shared_ptr<ThreadRecord>& self = detail::CurrentThread();
    KernelLock lock(KernelMutex());
    if (hwnd == nullptr) return PostTo(*self, msg, lock);
    std::shared_ptr<detail::WindowRecord> window = detail::FindWindowRecord(hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return PostTo(*window->owner, msg, lock);
}

BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    const MSG msg{nullptr, message, wParam, lParam, detail::MillisecondsSinceStart()};
    KernelLock lock(KernelMutex());
    std::shared_ptr<ThreadRecord> target = detail::FindThread(threadId);
    if (!target || target->ended) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return PostTo(*target, msg, lock);
}

void PostQuitMessage(int exitCode) {
    const std::shared_ptr<ThreadRecord>& self = detail::CurrentThread();
    KernelLock lock(KernelMutex());
    self->quitPosted = true;
    self->quitCode = exitCode;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    SendCore(hwnd, message, wParam, lParam, SMTO_NORMAL, INFINITE, true, result);
    return result;
}

LRESULT SendMessageTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                           UINT timeoutMs, DWORD_PTR* result) {
    LRESULT answer = 0;
    const bool done = SendCore(hwnd, message, wParam, lParam, flags, timeoutMs, true, answer);
    if (result != nullptr) *result = done ? static_cast<DWORD_PTR>(answer) : 0;
    return done ? TRUE : FALSE;
}

BOOL SendNotifyMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT ignored = 0;
    return SendCore(hwnd, message, wParam, lParam, SMTO_NORMAL, 0, false, ignored) ? TRUE : FALSE;
}

}  // namespace win
