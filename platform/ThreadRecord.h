#pragma once
// Internal to the platform layer: what the layer knows about one thread of
// the process, its message queue included. Guarded by KernelMutex().
#include <condition_variable>
#include <deque>
#include <memory>
#include <vector>

#include "platform/KernelCore.h"
#include "platform/ThreadDispatcher.h"
#include "platform/WindowTypes.h"

namespace win::detail {

struct ThreadRecord;
class MutexObject;

// A message sent to a window of another thread, waiting for that thread.
struct SentMessage {
    enum class State { Queued, Running, Done, Failed };
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::shared_ptr<ThreadRecord> sender;  // null: nobody waits (SendNotifyMessage)
    State state = State::Queued;
    LRESULT result = 0;
};

struct TimerEntry {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    std::chrono::milliseconds interval{};
    Clock::time_point due;
};

struct ThreadRecord {
    explicit ThreadRecord(DWORD threadId) : id(threadId) {}

    const DWORD id;
    // The thread sleeps on it in every wait of this layer; signalled for
    // objects it waits on, messages, replies and resumption.
    std::condition_variable wake;
    // True only while the thread sleeps in a wait that takes no posted
    // messages (objects, sends): a post then need not wake it. A progress
    // post per chunk woke a sleeping front end thread for nothing.
    bool sleepsThroughPosts = false;

    std::deque<std::shared_ptr<SentMessage>> sends;
    std::deque<MSG> posted;
    std::vector<TimerEntry> timers;
    bool quitPosted = false;
    int quitCode = 0;

    bool ended = false;
    unsigned suspendCount = 0;
    std::shared_ptr<IThreadDispatcher> dispatcher;
    std::vector<std::shared_ptr<MutexObject>> ownedMutexes;
};

// The calling thread's record, made on first use. Call without the lock.
const std::shared_ptr<ThreadRecord>& CurrentThread();
// A record for a thread about to be started (its id is known before it runs).
std::shared_ptr<ThreadRecord> NewThreadRecord();
// Called first thing on a new thread with the record made for it.
void AdoptThreadRecord(std::shared_ptr<ThreadRecord> record);
// Under the lock: the live thread of that id, or null.
std::shared_ptr<ThreadRecord> FindThread(DWORD id);
// The thread is ending: its windows go, pending sends to it fail, its
// mutexes are abandoned. Call without the lock, on that thread.
void EndThread(ThreadRecord& self);

// Under the lock: something arrived for `target`. Returns the dispatcher to
// wake once the lock is released (may be null).
std::shared_ptr<IThreadDispatcher> NotifyThread(ThreadRecord& target);
void WakeDispatcher(const std::shared_ptr<IThreadDispatcher>& dispatcher);

}  // namespace win::detail
