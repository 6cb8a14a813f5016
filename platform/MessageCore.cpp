#include "platform/MessageCore.h"

#include <algorithm>

#include "platform/WindowRecord.h"

namespace win::detail {

namespace {

using State = SentMessage::State;

TimerEntry* FirstDueTimer(ThreadRecord& self) {
    const Clock::time_point now = Clock::now();
    TimerEntry* first = nullptr;
    for (TimerEntry& timer : self.timers) {
        if (timer.due <= now && (first == nullptr || timer.due < first->due)) first = &timer;
    }
    return first;
}

}  // namespace

void CompleteSend(SentMessage& sent, State state, LRESULT result) {
    sent.state = state;
    sent.result = result;
    if (sent.sender) sent.sender->wake.notify_all();
}

bool ServeOneSend(KernelLock& lock, ThreadRecord& self) {
    if (self.sends.empty()) return false;
    std::shared_ptr<SentMessage> sent = std::move(self.sends.front());
    self.sends.pop_front();
    std::shared_ptr<WindowRecord> window = FindWindowRecord(sent->hwnd);
    if (!window || window->owner.get() != &self) {
        CompleteSend(*sent, State::Failed, 0);
        return true;
    }
    sent->state = State::Running;
    std::shared_ptr<const WNDPROC> proc = window->proc;
    lock.unlock();
    LRESULT result = 0;
    try {
        result = (*proc)(sent->hwnd, sent->message, sent->wParam, sent->lParam);
    } catch (...) {
        // The sender must not wait for ever for an answer that never comes.
        lock.lock();
        CompleteSend(*sent, State::Failed, 0);
        throw;
    }
    lock.lock();
    CompleteSend(*sent, State::Done, result);
    return true;
}

bool HasInput(const ThreadRecord& self, DWORD wakeMask) {
    if ((wakeMask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) != 0 &&
        (!self.posted.empty() || self.quitPosted)) {
        return true;
    }
    if ((wakeMask & QS_TIMER) == 0) return false;
    const Clock::time_point now = Clock::now();
    return std::any_of(self.timers.begin(), self.timers.end(),
                       [now](const TimerEntry& timer) { return timer.due <= now; });
}

std::optional<Clock::time_point> NextTimerDue(const ThreadRecord& self) {
    std::optional<Clock::time_point> next;
    for (const TimerEntry& timer : self.timers) {
        if (!next || timer.due < *next) next = timer.due;
    }
    return next;
}

bool TakeInput(ThreadRecord& self, MSG& msg, bool remove) {
    if (!self.posted.empty()) {
        msg = self.posted.front();
        if (remove) self.posted.pop_front();
        return true;
    }
    if (self.quitPosted) {
        msg =
            MSG{nullptr, WM_QUIT, static_cast<WPARAM>(self.quitCode), 0, MillisecondsSinceStart()};
        if (remove) self.quitPosted = false;
        return true;
    }
    TimerEntry* timer = FirstDueTimer(self);
    if (timer == nullptr) return false;
    msg = MSG{timer->hwnd, WM_TIMER, timer->id, 0, MillisecondsSinceStart()};
    // The next tick counts from now: a late thread gets one WM_TIMER, not a burst.
    if (remove) timer->due = Clock::now() + timer->interval;
    return true;
}

}  // namespace win::detail
