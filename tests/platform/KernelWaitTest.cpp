#include <gtest/gtest.h>

#include <atomic>

#include "platform/Event.h"
#include "platform/LastError.h"
#include "platform/Mutex.h"
#include "platform/Thread.h"
#include "platform/Wait.h"

namespace {

using namespace win;
constexpr DWORD kBound = 5000;

DWORD MutexTakenFromOtherThread(HANDLE mutex) {
    CThread thread;
    thread.Create([mutex] {
        const DWORD result = WaitForSingleObject(mutex, 0);
        if (result == WAIT_OBJECT_0) ReleaseMutex(mutex);
        return result;
    });
    DWORD code = WAIT_FAILED;
    if (thread.Wait(kBound) == WAIT_OBJECT_0) GetExitCodeThread(thread.Handle(), &code);
    return code;
}

class KernelWaitTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (CEvent& event : events_) ASSERT_TRUE(event.Create(true, false));
    }
    HANDLE At(int i) const { return events_[i].Handle(); }

    CEvent events_[3];
};

TEST_F(KernelWaitTest, ReturnsTheIndexOfTheSignalledObject) {
    const HANDLE list[] = {At(0), At(1), At(2)};
    events_[2].Set();
    EXPECT_EQ(WaitForMultipleObjects(3, list, FALSE, 0), WAIT_OBJECT_0 + 2);
    events_[1].Set();
    EXPECT_EQ(WaitForMultipleObjects(3, list, FALSE, 0), WAIT_OBJECT_0 + 1) << "lowest index wins";
}

TEST_F(KernelWaitTest, WakesForTheObjectSignalledByAnotherThread) {
    const HANDLE list[] = {At(0), At(1), At(2)};
    CThread setter;
    setter.Create([this] {
        Sleep(20);
        events_[1].Set();
        return DWORD{0};
    });
    EXPECT_EQ(WaitForMultipleObjects(3, list, FALSE, kBound), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(setter.Wait(kBound), WAIT_OBJECT_0);
}

TEST_F(KernelWaitTest, TimesOutWhenNothingIsSignalled) {
    const HANDLE list[] = {At(0), At(1)};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForMultipleObjects(2, list, FALSE, 50), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_EQ(WaitForSingleObject(At(0), 0), WAIT_TIMEOUT);
}

TEST_F(KernelWaitTest, RefusesBadArguments) {
    const HANDLE withBad[] = {At(0), reinterpret_cast<HANDLE>(0x7FF0)};
    EXPECT_EQ(WaitForMultipleObjects(2, withBad, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForMultipleObjects(0, withBad, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS + 1, withBad, FALSE, 0), WAIT_FAILED);
    const HANDLE twice[] = {At(0), At(0)};
    EXPECT_EQ(WaitForMultipleObjects(2, twice, TRUE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(KernelWaitTest, WaitAllTakesEveryObjectTogetherOrNone) {
    CEvent autoReset;
    ASSERT_TRUE(autoReset.Create(false, true));
    CMutex mutex;
    ASSERT_TRUE(mutex.Create());
    const HANDLE list[] = {autoReset.Handle(), mutex.Handle(), At(0)};
    EXPECT_EQ(WaitForMultipleObjects(3, list, TRUE, 20), WAIT_TIMEOUT);
    EXPECT_EQ(MutexTakenFromOtherThread(mutex.Handle()), WAIT_OBJECT_0)
        << "a failed wait-all took the mutex";
    EXPECT_EQ(autoReset.Wait(0), WAIT_OBJECT_0) << "a failed wait-all reset the event";
    autoReset.Set();

    CThread setter;
    setter.Create([this] {
        Sleep(20);
        events_[0].Set();
        return DWORD{0};
    });
    EXPECT_EQ(WaitForMultipleObjects(3, list, TRUE, kBound), WAIT_OBJECT_0);
    EXPECT_EQ(autoReset.Wait(0), WAIT_TIMEOUT) << "taken together: reset";
    EXPECT_EQ(MutexTakenFromOtherThread(mutex.Handle()), WAIT_TIMEOUT) << "taken together: owned";
    EXPECT_TRUE(mutex.Release());
    EXPECT_EQ(setter.Wait(kBound), WAIT_OBJECT_0);
}

TEST(KernelThreadTest, SuspendedThreadRunsOnlyAfterResume) {
    std::atomic<bool> ran{false};
    DWORD id = 0;
    HANDLE thread = CreateThread(
        [&ran] {
            ran = true;
            return DWORD{42};
        },
        CREATE_SUSPENDED, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(GetThreadId(thread), id);
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
    EXPECT_FALSE(ran.load());
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);

    EXPECT_EQ(ResumeThread(thread), 1u);
    EXPECT_EQ(WaitForSingleObject(thread, kBound), WAIT_OBJECT_0);
    EXPECT_TRUE(ran.load());
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_EQ(ResumeThread(thread), 0u) << "a running or ended thread has nothing to resume";
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "stays signalled";
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_EQ(ResumeThread(thread), static_cast<DWORD>(-1));
}

TEST(KernelThreadTest, ClosingTheHandleLeavesTheThreadRunning) {
    CEvent done;
    ASSERT_TRUE(done.Create(true, false));
    CEvent go;
    ASSERT_TRUE(go.Create(true, false));
    CThread thread;
    ASSERT_TRUE(thread.Create([&] {
        go.Wait(kBound);
        done.Set();
        return DWORD{0};
    }));
    thread.Close();
    go.Set();
    EXPECT_EQ(done.Wait(kBound), WAIT_OBJECT_0);
}

}  // namespace
