#include "platform/Thread.h"

#include <unistd.h>

#include <system_error>
#include <thread>

#include "platform/KernelCore.h"
#include "platform/KernelObject.h"
#include "platform/LastError.h"
#include "platform/ThreadRecord.h"

namespace win {

namespace {

using detail::KernelLock;
using detail::KernelMutex;
using detail::ThreadRecord;

class ThreadObject : public detail::KernelObject {
public:
    explicit ThreadObject(std::shared_ptr<ThreadRecord> record) : record_(std::move(record)) {}

    bool IsSignalledFor(const ThreadRecord&) const override { return ended_; }
    ThreadRecord& Record() const { return *record_; }
    const std::shared_ptr<ThreadRecord>& SharedRecord() const { return record_; }
    DWORD ExitCode() const { return ended_ ? exitCode_ : STILL_ACTIVE; }
    void Finish(DWORD exitCode) {
        exitCode_ = exitCode;
        ended_ = true;
        WakeWaiters();
    }

private:
    const std::shared_ptr<ThreadRecord> record_;
    bool ended_ = false;
    DWORD exitCode_ = STILL_ACTIVE;
};

void RunThread(const std::shared_ptr<ThreadObject>& thread, const ThreadBody& body) {
    ThreadRecord& self = thread->Record();
    detail::AdoptThreadRecord(thread->SharedRecord());
    {
        KernelLock lock(KernelMutex());
        self.wake.wait(lock, [&self] { return self.suspendCount == 0; });
    }
    const DWORD exitCode = body();
    detail::EndThread(self);
    KernelLock lock(KernelMutex());
    thread->Finish(exitCode);
}

std::shared_ptr<ThreadObject> FindThreadObject(HANDLE handle) {
    std::shared_ptr<ThreadObject> thread = detail::FindObjectAs<ThreadObject>(handle);
    if (!thread) SetLastError(ERROR_INVALID_HANDLE);
    return thread;
}

}  // namespace

HANDLE CreateThread(ThreadBody body, DWORD creationFlags, DWORD* threadId) {
    if (!body || (creationFlags & ~CREATE_SUSPENDED) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto thread = std::make_shared<ThreadObject>(detail::NewThreadRecord());
    HANDLE handle = nullptr;
    {
        KernelLock lock(KernelMutex());
        thread->Record().suspendCount = (creationFlags & CREATE_SUSPENDED) != 0 ? 1 : 0;
        handle = detail::InsertHandle(thread);
    }
    try {
        std::thread([thread, body = std::move(body)] { RunThread(thread, body); }).detach();
    } catch (const std::system_error&) {
        CloseHandle(handle);
        detail::EndThread(thread->Record());
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (threadId != nullptr) *threadId = thread->Record().id;
    return handle;
}

DWORD ResumeThread(HANDLE handle) {
    KernelLock lock(KernelMutex());
    std::shared_ptr<ThreadObject> thread = FindThreadObject(handle);
    if (!thread) return static_cast<DWORD>(-1);
    ThreadRecord& record = thread->Record();
    const DWORD previous = record.suspendCount;
    if (previous > 0 && --record.suspendCount == 0) record.wake.notify_all();
    return previous;
}

BOOL GetExitCodeThread(HANDLE handle, DWORD* exitCode) {
    if (exitCode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    KernelLock lock(KernelMutex());
    std::shared_ptr<ThreadObject> thread = FindThreadObject(handle);
    if (!thread) return FALSE;
    *exitCode = thread->ExitCode();
    return TRUE;
}

DWORD GetThreadId(HANDLE handle) {
    KernelLock lock(KernelMutex());
    std::shared_ptr<ThreadObject> thread = FindThreadObject(handle);
    return thread ? thread->Record().id : 0;
}

DWORD GetCurrentThreadId() {
    return detail::CurrentThread()->id;
}

DWORD GetCurrentProcessId() {
    return static_cast<DWORD>(getpid());
}

bool CThread::Create(ThreadBody body, bool suspended) {
    Attach(CreateThread(std::move(body), suspended ? CREATE_SUSPENDED : 0));
    return IsValid();
}

}  // namespace win
