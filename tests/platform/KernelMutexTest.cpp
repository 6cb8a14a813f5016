#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "platform/CriticalSection.h"
#include "platform/LastError.h"
#include "platform/Mutex.h"
#include "platform/Thread.h"
#include "platform/Wait.h"

namespace {

using namespace win;
constexpr DWORD kBound = 5000;

// Runs `body` on a new thread and returns its result.
DWORD OnOtherThread(ThreadBody body) {
    CThread thread;
    if (!thread.Create(std::move(body)) || thread.Wait(kBound) != WAIT_OBJECT_0) return 0xDEAD;
    DWORD code = 0xDEAD;
    GetExitCodeThread(thread.Handle(), &code);
    return code;
}

DWORD TryFromOtherThread(HANDLE mutex) {
    return OnOtherThread([mutex] {
        const DWORD result = WaitForSingleObject(mutex, 0);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0) ReleaseMutex(mutex);
        return result;
    });
}

TEST(KernelMutexTest, OwnershipIsRecursiveAndNeedsOneReleasePerWait) {
    CMutex mutex;
    ASSERT_TRUE(mutex.Create());
    ASSERT_EQ(mutex.Wait(0), WAIT_OBJECT_0);
    ASSERT_EQ(mutex.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(TryFromOtherThread(mutex.Handle()), WAIT_TIMEOUT);
    EXPECT_TRUE(mutex.Release());
    EXPECT_EQ(TryFromOtherThread(mutex.Handle()), WAIT_TIMEOUT) << "still owned once";
    EXPECT_TRUE(mutex.Release());
    EXPECT_EQ(TryFromOtherThread(mutex.Handle()), WAIT_OBJECT_0);

    EXPECT_FALSE(mutex.Release()) << "released more often than taken";
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
}

TEST(KernelMutexTest, ReleaseByAnotherThreadFailsAndChangesNothing) {
    CMutex mutex;
    ASSERT_TRUE(mutex.Create(true));  // initially owned by this thread
    HANDLE handle = mutex.Handle();
    const DWORD outcome = OnOtherThread([handle] {
        const BOOL released = ReleaseMutex(handle);
        return released ? DWORD{1} : GetLastError();
    });
    EXPECT_EQ(outcome, ERROR_NOT_OWNER);
    EXPECT_EQ(TryFromOtherThread(handle), WAIT_TIMEOUT);
    EXPECT_TRUE(mutex.Release());
}

TEST(KernelMutexTest, WaitingThreadGetsTheMutexWhenReleased) {
    CMutex mutex;
    ASSERT_TRUE(mutex.Create(true));
    HANDLE handle = mutex.Handle();
    std::atomic<bool> owned{false};
    CThread waiter;
    waiter.Create([handle, &owned] {
        if (WaitForSingleObject(handle, kBound) != WAIT_OBJECT_0) return DWORD{1};
        owned = true;
        return ReleaseMutex(handle) ? DWORD{0} : DWORD{2};
    });
    Sleep(30);
    EXPECT_FALSE(owned.load());
    ASSERT_TRUE(mutex.Release());
    ASSERT_EQ(waiter.Wait(kBound), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeThread(waiter.Handle(), &code);
    EXPECT_EQ(code, 0u);
}

TEST(KernelMutexTest, ThreadEndingWhileOwningAbandonsTheMutex) {
    CMutex mutex;
    ASSERT_TRUE(mutex.Create());
    HANDLE handle = mutex.Handle();
    EXPECT_EQ(OnOtherThread([handle] { return WaitForSingleObject(handle, 0); }), WAIT_OBJECT_0);
    EXPECT_EQ(mutex.Wait(0), WAIT_ABANDONED_0) << "the first wait after the owner ended is told";
    EXPECT_EQ(TryFromOtherThread(handle), WAIT_TIMEOUT) << "and owns the mutex";
    EXPECT_TRUE(mutex.Release());
    EXPECT_EQ(TryFromOtherThread(handle), WAIT_OBJECT_0) << "told only once";
}

TEST(KernelMutexTest, AbandonedMutexInAListReportsItsIndex) {
    CMutex unused;
    ASSERT_TRUE(unused.Create(true));  // owned by this thread: others cannot take it
    CMutex mutex;
    ASSERT_TRUE(mutex.Create());
    HANDLE handle = mutex.Handle();
    EXPECT_EQ(OnOtherThread([handle] { return WaitForSingleObject(handle, 0); }), WAIT_OBJECT_0);
    const HANDLE list[] = {unused.Handle(), mutex.Handle()};
    const DWORD result = OnOtherThread([&list] {
        const DWORD waited = WaitForMultipleObjects(2, list, FALSE, 0);
        ReleaseMutex(list[1]);
        return waited;
    });
    EXPECT_EQ(result, WAIT_ABANDONED_0 + 1);
    EXPECT_TRUE(unused.Release());
}

TEST(KernelCriticalSectionTest, RecursiveAndExclusive) {
    CCriticalSection section;
    section.Enter();
    EXPECT_TRUE(section.TryEnter());
    auto tryFromOther = [&section] {
        return OnOtherThread([&section] {
            if (!section.TryEnter()) return DWORD{0};
            section.Leave();
            return DWORD{1};
        });
    };
    EXPECT_EQ(tryFromOther(), 0u);
    EXPECT_TRUE(section.Leave());
    EXPECT_EQ(tryFromOther(), 0u) << "still entered once";
    EXPECT_TRUE(section.Leave());
    EXPECT_EQ(tryFromOther(), 1u);
}

TEST(KernelCriticalSectionTest, LeaveByANonOwnerIsRefused) {
    CCriticalSection section;
    std::lock_guard<CCriticalSection> held(section);
    EXPECT_EQ(OnOtherThread([&section] { return section.Leave() ? DWORD{1} : DWORD{0}; }), 0u);
    EXPECT_EQ(OnOtherThread([&section] { return section.TryEnter() ? DWORD{1} : DWORD{0}; }), 0u)
        << "a refused Leave must not have unlocked it";
}

}  // namespace
