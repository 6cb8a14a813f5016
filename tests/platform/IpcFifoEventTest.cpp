#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Event.h"
#include "platform/FifoEvents.h"
#include "platform/LastError.h"
#include "platform/Thread.h"
#include "platform/Wait.h"
#include "tests/platform/FileTestSupport.h"
#include "tests/platform/IpcTestSupport.h"

namespace {

using namespace win;
using filetest::ChildProcess;
constexpr DWORD kBound = 5000;  // ms: longer than any correct step needs
constexpr DWORD kQuiet = 100;   // ms: long enough for a wrong wake-up to show

class IpcFifoEventTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InstallFifoEventBackend()); }
    void TearDown() override { SetNamedEventBackend(nullptr); }

    std::string FifoPath(const std::string& fileName) const {
        return runtime_.Native() + "/" + fileName;
    }
    bool Exists(const std::string& fileName) const {
        struct stat status {};
        return lstat(FifoPath(fileName).c_str(), &status) == 0;
    }
    // A close while the watcher reports a byte leaves the event to the
    // watcher, which lets it go right after: the file goes a moment later.
    bool GoneSoon(const std::string& fileName) const {
        for (DWORD waited = 0; Exists(fileName); waited += 2) {
            if (waited >= kBound) return false;
            Sleep(2);
        }
        return true;
    }

    ipctest::PrivateRuntimeFolder runtime_;
};

// Bytes waiting in a FIFO, read by this process without taking part in the event.
int TakeWaitingBytes(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return -1;
    int count = 0;
    for (char byte; read(fd, &byte, 1) == 1;) ++count;
    close(fd);
    return count;
}

TEST_F(IpcFifoEventTest, AutoResetSignalsOfAnotherProcessWakeOneWaitEach) {
    CEvent request;
    ASSERT_TRUE(request.Create(false, false, "IpcTest.request"));
    CEvent other;
    ASSERT_TRUE(other.Create(true, false));

    ChildProcess child([](const ChildProcess::Parent&) {
        for (int i = 0; i < 3; ++i) {
            if (!SignalNamedEventFifo("IpcTest.request")) return 1;
        }
        return 0;
    });
    ASSERT_EQ(child.Wait(), 0);

    const HANDLE both[] = {other.Handle(), request.Handle()};
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, kBound), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(request.Wait(kBound), WAIT_OBJECT_0);
    EXPECT_EQ(request.Wait(kBound), WAIT_OBJECT_0);
    EXPECT_EQ(request.Wait(kQuiet), WAIT_TIMEOUT) << "three signals, three waits";
}

TEST_F(IpcFifoEventTest, SignalsOfThisProcessStayInTheFifoForTheOthers) {
    CEvent request;
    ASSERT_TRUE(request.Create(false, false, "Local\\IpcTest.outgoing"));
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(request.Set());
        // Handed over in the same step, so the next Set is a signal of its
        // own and not a repeat of this one (requests follow each other fast).
        EXPECT_EQ(request.Wait(0), WAIT_TIMEOUT) << "signal " << i << " stayed here";
    }
    EXPECT_EQ(request.Wait(kQuiet), WAIT_TIMEOUT) << "its own signals never come back";

    const std::string path = FifoPath("event-IpcTest.outgoing");
    ChildProcess child([&path](const ChildProcess::Parent&) { return TakeWaitingBytes(path); });
    EXPECT_EQ(child.Wait(), 2);
}

TEST_F(IpcFifoEventTest, CancelEventSetByAnotherProcessReachesAWaiterHere) {
    CEvent cancel;
    ASSERT_TRUE(cancel.Create(true, false, "{BAC96F7D-C50E-43DE-8EE1-4F49AE5F3AD7}"));
    EXPECT_TRUE(Exists("event-{BAC96F7D-C50E-43DE-8EE1-4F49AE5F3AD7}"));
    CThread waiter;
    ASSERT_TRUE(waiter.Create([&cancel] { return cancel.Wait(kBound); }));

    ChildProcess child([](const ChildProcess::Parent&) {
        return SignalNamedEventFifo("Global\\{BAC96F7D-C50E-43DE-8EE1-4F49AE5F3AD7}") ? 0 : 1;
    });
    ASSERT_EQ(child.Wait(), 0);
    ASSERT_EQ(waiter.Wait(kBound), WAIT_OBJECT_0);
    DWORD waited = WAIT_FAILED;
    EXPECT_TRUE(GetExitCodeThread(waiter.Handle(), &waited));
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_EQ(cancel.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(cancel.Wait(0), WAIT_OBJECT_0) << "manual-reset: stays set";

    cancel.Close();  // the watcher stops and the last holder removes the FIFO
    EXPECT_TRUE(GoneSoon("event-{BAC96F7D-C50E-43DE-8EE1-4F49AE5F3AD7}"));
    EXPECT_FALSE(SignalNamedEventFifo("{BAC96F7D-C50E-43DE-8EE1-4F49AE5F3AD7}"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// A second backend on the same folder plays the other process's event layer.
TEST_F(IpcFifoEventTest, AProcessOpeningTheCancelEventSetsItInItsMaker) {
    CEvent cancel;
    ASSERT_TRUE(cancel.Create(true, false, "IpcTest.cancel"));
    std::shared_ptr<INamedEventBackend> elsewhere = CreateFifoEventBackend(runtime_.Native());
    std::atomic<int> remoteCalls{0};
    SharedEventRequest open{"IpcTest.cancel", true, false, true,
                            [&remoteCalls](bool) { ++remoteCalls; }};
    SharedEventAttachment opened = elsewhere->Attach(open);
    ASSERT_TRUE(opened.existed);
    ASSERT_NE(opened.link, nullptr);

    opened.link->Publish(true);
    EXPECT_EQ(cancel.Wait(kBound), WAIT_OBJECT_0);
    opened.link.reset();
    EXPECT_TRUE(Exists("event-IpcTest.cancel")) << "the maker still holds it";
    EXPECT_EQ(remoteCalls.load(), 0);

    open.name = "IpcTest.nobody";
    SharedEventAttachment missing = elsewhere->Attach(open);
    EXPECT_FALSE(missing.existed);
    EXPECT_EQ(missing.link, nullptr);
    EXPECT_FALSE(Exists("event-IpcTest.nobody"));
}

TEST_F(IpcFifoEventTest, LeftoversAndForeignFilesAreNeverTakenForALiveEvent) {
    ASSERT_EQ(mkfifo(FifoPath("event-IpcTest.leftover").c_str(), 0600), 0);
    EXPECT_FALSE(SignalNamedEventFifo("IpcTest.leftover")) << "nobody holds it";
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenEvent("IpcTest.leftover"), nullptr);
    EXPECT_FALSE(Exists("event-IpcTest.leftover")) << "a leftover is removed";

    // A plain file in the FIFO's place: the event works, but only here.
    { std::ofstream(FifoPath("event-IpcTest.plain")) << "x"; }
    CEvent plain;
    ASSERT_TRUE(plain.Create(true, false, "IpcTest.plain"));
    EXPECT_FALSE(SignalNamedEventFifo("IpcTest.plain"));
    EXPECT_TRUE(plain.Set());
    EXPECT_EQ(plain.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(std::filesystem::file_size(FifoPath("event-IpcTest.plain")), 1u);
}

TEST_F(IpcFifoEventTest, NamesBecomeSafeFileNames) {
    CEvent slashed;
    ASSERT_TRUE(slashed.Create(true, false, "Local\\a/b %"));
    EXPECT_TRUE(Exists("event-a%2Fb%20%25"));
    CEvent longName;
    ASSERT_TRUE(longName.Create(false, false, std::string(300, 'n')));
    longName.Set();  // too long for a file name: stays an event of this process
    EXPECT_EQ(longName.Wait(kBound), WAIT_OBJECT_0);
}

// Closing while bytes arrive: the watcher may be reporting a byte just as
// the last handle goes; nothing may hang or touch freed memory.
TEST_F(IpcFifoEventTest, ClosingWhileSignalsArriveEndsCleanly) {
    for (int round = 0; round < 20; ++round) {
        CEvent event;
        ASSERT_TRUE(event.Create(round % 2 == 0, false, "IpcTest.churn"));
        ASSERT_TRUE(SignalNamedEventFifo("IpcTest.churn"));
        ASSERT_TRUE(SignalNamedEventFifo("IpcTest.churn"));
        if (round % 4 < 2) {
            EXPECT_EQ(event.Wait(kBound), WAIT_OBJECT_0);
        }
        event.Close();
        ASSERT_TRUE(GoneSoon("event-IpcTest.churn"));
    }
}

}  // namespace
