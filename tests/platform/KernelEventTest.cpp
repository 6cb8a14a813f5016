#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <vector>

#include "platform/Event.h"
#include "platform/LastError.h"
#include "platform/NamedEventBackend.h"
#include "platform/Thread.h"
#include "platform/Wait.h"

namespace {

using namespace win;
constexpr DWORD kBound = 5000;

bool Readable(int fd, int timeoutMs = 0) {
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) == 1 && (entry.revents & POLLIN) != 0;
}

// Starts `count` threads that each wait once for `event` and count their release.
std::vector<CThread> StartWaiters(HANDLE event, int count, std::atomic<int>& released) {
    std::vector<CThread> waiters(count);
    for (CThread& waiter : waiters) {
        waiter.Create([event, &released] {
            if (WaitForSingleObject(event, kBound) == WAIT_OBJECT_0) ++released;
            return DWORD{0};
        });
    }
    return waiters;
}

bool WaitForCount(const std::atomic<int>& value, int expected) {
    for (int i = 0; i < 500 && value.load() < expected; ++i) Sleep(10);
    return value.load() == expected;
}

TEST(KernelEventTest, ManualResetReleasesEveryWaiterAndStaysSet) {
    CEvent event;
    ASSERT_TRUE(event.Create(true, false));
    std::atomic<int> released{0};
    std::vector<CThread> waiters = StartWaiters(event.Handle(), 3, released);
    EXPECT_EQ(event.Wait(0), WAIT_TIMEOUT);
    event.Set();
    for (CThread& waiter : waiters) EXPECT_EQ(waiter.Wait(kBound), WAIT_OBJECT_0);
    EXPECT_EQ(released.load(), 3);
    EXPECT_EQ(event.Wait(0), WAIT_OBJECT_0);  // still set
    event.Reset();
    EXPECT_EQ(event.Wait(0), WAIT_TIMEOUT);
}

TEST(KernelEventTest, AutoResetReleasesOneWaiterPerSet) {
    CEvent event;
    ASSERT_TRUE(event.Create(false, false));
    std::atomic<int> released{0};
    std::vector<CThread> waiters = StartWaiters(event.Handle(), 2, released);
    Sleep(20);  // let both reach their wait; correctness does not depend on it
    event.Set();
    ASSERT_TRUE(WaitForCount(released, 1));
    Sleep(50);
    EXPECT_EQ(released.load(), 1) << "one Set released two waiters";
    event.Set();
    ASSERT_TRUE(WaitForCount(released, 2));
    EXPECT_EQ(event.Wait(0), WAIT_TIMEOUT) << "the second release must have consumed the set";
}

TEST(KernelEventTest, NamedEventsShareOneObject) {
    CEvent first;
    ASSERT_TRUE(first.Create(true, false, "Local\\KernelEventTest.shared"));
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    CEvent second;
    ASSERT_TRUE(second.Create(false, false, "KernelEventTest.shared"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    HANDLE opened = OpenEvent("KernelEventTest.shared");
    ASSERT_NE(opened, nullptr);

    second.Set();
    EXPECT_EQ(first.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(opened, 0), WAIT_OBJECT_0);  // manual reset, as first made it
    EXPECT_TRUE(CloseHandle(opened));
    EXPECT_FALSE(CloseHandle(opened));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(KernelEventTest, OpeningAnUnknownOrForgottenNameFails) {
    EXPECT_EQ(OpenEvent("KernelEventTest.never"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    {
        CEvent gone;
        ASSERT_TRUE(gone.Create(true, true, "KernelEventTest.gone"));
    }
    EXPECT_EQ(OpenEvent("KernelEventTest.gone"), nullptr);
    CEvent fresh;
    ASSERT_TRUE(fresh.Create(true, false, "KernelEventTest.gone"));
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(fresh.Wait(0), WAIT_TIMEOUT) << "a new object, not the old signalled one";
}

TEST(KernelEventTest, ObjectOutlivesAClosedHandleWhileAnotherWaits) {
    CEvent waitedOn;
    ASSERT_TRUE(waitedOn.Create(true, false, "KernelEventTest.lifetime"));
    CEvent other;
    ASSERT_TRUE(other.Create(true, false, "KernelEventTest.lifetime"));
    HANDLE handle = waitedOn.Handle();
    std::atomic<DWORD> result{WAIT_FAILED};
    CThread waiter;
    waiter.Create([handle, &result] {
        result = WaitForSingleObject(handle, kBound);
        return DWORD{0};
    });
    Sleep(100);  // the wait has begun with the handle
    waitedOn.Close();
    other.Set();
    EXPECT_EQ(waiter.Wait(kBound), WAIT_OBJECT_0);
    EXPECT_EQ(result.load(), WAIT_OBJECT_0) << "closing a handle must not break a wait on it";
}

TEST(KernelEventTest, WaitFdIsReadableExactlyWhileSet) {
    CEvent event;
    ASSERT_TRUE(event.Create(true, false));
    const int fd = event.WaitFd();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(event.WaitFd(), fd);
    EXPECT_FALSE(Readable(fd));
    event.Set();
    EXPECT_TRUE(Readable(fd));
    EXPECT_TRUE(Readable(fd)) << "polling must not consume the state";
    event.Reset();
    EXPECT_FALSE(Readable(fd));

    CThread setter;
    setter.Create([&event] {
        Sleep(30);
        event.Set();
        return DWORD{0};
    });
    EXPECT_TRUE(Readable(fd, static_cast<int>(kBound))) << "a blocked poll must wake on Set";
    EXPECT_EQ(setter.Wait(kBound), WAIT_OBJECT_0);
}

TEST(KernelEventTest, WaitFdOfAutoResetEventClearsWhenAWaitTakesIt) {
    CEvent event;
    ASSERT_TRUE(event.Create(false, true));
    const int fd = event.WaitFd();
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(Readable(fd));
    EXPECT_EQ(event.Wait(0), WAIT_OBJECT_0);
    EXPECT_FALSE(Readable(fd));
}

TEST(KernelEventTest, OperationsOnAClosedHandleFail) {
    HANDLE event = CreateEvent(true, false);
    ASSERT_NE(event, nullptr);
    ASSERT_TRUE(CloseHandle(event));
    EXPECT_FALSE(SetEvent(event));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetEventWaitFd(event), -1);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// Stands in for a cross-process backend: records what this process publishes
// and lets the test play the other process.
class FakeBackend : public INamedEventBackend {
public:
    struct Link : ISharedEvent {
        explicit Link(std::vector<bool>& log) : published(log) {}
        void Publish(bool signalled) override { published.push_back(signalled); }
        std::vector<bool>& published;
    };

    SharedEventAttachment Attach(const SharedEventRequest& request) override {
        requests.push_back(request);
        SharedEventAttachment attachment;
        attachment.link = std::make_unique<Link>(published);
        attachment.existed = elsewhere;
        attachment.signalled = elsewhereSignalled;
        return attachment;
    }

    std::vector<SharedEventRequest> requests;
    std::vector<bool> published;  // written under the layer's lock
    bool elsewhere = false;
    bool elsewhereSignalled = false;
};

class KernelEventBackendTest : public ::testing::Test {
protected:
    void SetUp() override { SetNamedEventBackend(backend_); }
    void TearDown() override { SetNamedEventBackend(nullptr); }
    std::shared_ptr<FakeBackend> backend_ = std::make_shared<FakeBackend>();
};

TEST_F(KernelEventBackendTest, NamedEventsArePublishedAndFollowTheOtherProcess) {
    CEvent event;
    ASSERT_TRUE(event.Create(true, false, "Global\\KernelEventTest.backend"));
    ASSERT_EQ(backend_->requests.size(), 1u);
    EXPECT_EQ(backend_->requests[0].name, "KernelEventTest.backend");
    EXPECT_TRUE(backend_->requests[0].manualReset);

    event.Set();
    event.Set();  // no change, nothing to publish
    event.Reset();
    EXPECT_EQ(backend_->published, (std::vector<bool>{true, false}));

    std::function<void(bool)> remote = backend_->requests[0].remoteChanged;
    CThread waiter;
    waiter.Create([&event] { return event.Wait(kBound); });
    remote(true);
    EXPECT_EQ(waiter.Wait(kBound), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(waiter.Handle(), &code));
    EXPECT_EQ(code, WAIT_OBJECT_0);
    EXPECT_EQ(backend_->published.size(), 2u) << "a remote change is not echoed back";

    event.Close();
    remote(false);  // the event is gone: harmless
}

TEST_F(KernelEventBackendTest, AnEventOfAnotherProcessKeepsItsState) {
    backend_->elsewhere = true;
    backend_->elsewhereSignalled = true;
    CEvent event;
    ASSERT_TRUE(event.Create(true, false, "KernelEventTest.elsewhere"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(event.Wait(0), WAIT_OBJECT_0);

    backend_->elsewhere = false;
    EXPECT_EQ(OpenEvent("KernelEventTest.nowhere"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(backend_->requests.empty());
    EXPECT_TRUE(backend_->requests.back().openOnly);
}

}  // namespace
