#include "platform/ThreadRecord.h"

#include <atomic>
#include <map>

#include "platform/MessageCore.h"
#include "platform/MutexObject.h"
#include "platform/WindowRecord.h"

namespace win::detail {

namespace {

// Thread ids are never reused within the process, so a stale id cannot
// reach a newer thread's windows.
std::atomic<DWORD> nextThreadId{0x400};
constexpr DWORD kThreadIdStep = 4;

std::map<DWORD, std::weak_ptr<ThreadRecord>>& LiveThreads() {
    static auto* threads = new std::map<DWORD, std::weak_ptr<ThreadRecord>>;  // see KernelMutex()
    return *threads;
}

// Ends the thread's record when the thread exits, whoever started it.
struct CurrentRecordHolder {
    std::shared_ptr<ThreadRecord> record;
    ~CurrentRecordHolder() {
        if (record) EndThread(*record);
    }
};

thread_local CurrentRecordHolder current;

void FailPendingSends(ThreadRecord& self) {
    for (const std::shared_ptr<SentMessage>& sent : self.sends) {
        CompleteSend(*sent, SentMessage::State::Failed, 0);
    }
    self.sends.clear();
}

}  // namespace

std::shared_ptr<ThreadRecord> NewThreadRecord() {
    auto record = std::make_shared<ThreadRecord>(nextThreadId.fetch_add(kThreadIdStep));
    KernelLock lock(KernelMutex());
    LiveThreads().emplace(record->id, record);
    return record;
}

const std::shared_ptr<ThreadRecord>& CurrentThread() {
    if (!current.record) current.record = NewThreadRecord();
    return current.record;
}

void AdoptThreadRecord(std::shared_ptr<ThreadRecord> record) {
    current.record = std::move(record);
}

std::shared_ptr<ThreadRecord> FindThread(DWORD id) {
    auto found = LiveThreads().find(id);
    return found == LiveThreads().end() ? nullptr : found->second.lock();
}

void EndThread(ThreadRecord& self) {
    std::shared_ptr<IThreadDispatcher> dispatcher;
    std::vector<std::shared_ptr<MutexObject>> owned;
    {
        KernelLock lock(KernelMutex());
        if (self.ended) return;
        self.ended = true;
        LiveThreads().erase(self.id);
        ForgetThreadWindows(self);
        FailPendingSends(self);
        self.posted.clear();
        self.timers.clear();
        owned.swap(self.ownedMutexes);
        for (const std::shared_ptr<MutexObject>& mutex : owned) mutex->Abandon();
        dispatcher = std::move(self.dispatcher);
    }
    // `owned` and `dispatcher` are let go here, outside the lock.
}

std::shared_ptr<IThreadDispatcher> NotifyThread(ThreadRecord& target) {
    target.wake.notify_all();
    return target.dispatcher;
}

void WakeDispatcher(const std::shared_ptr<IThreadDispatcher>& dispatcher) {
    if (dispatcher) dispatcher->Wake();
}

}  // namespace win::detail
