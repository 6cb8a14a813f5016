#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <optional>
#include <thread>

#include "FileTestSupport.h"
#include "platform/KnownFolders.h"
#include "platform/LastError.h"
#include "platform/MutexFileName.h"
#include "platform/NamedMutex.h"

namespace {

using filetest::ChildProcess;
using namespace win;

// Each test has its own runtime folder, so no other run's lock files meet ours.
class NamedMutexTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* previous = std::getenv("XDG_RUNTIME_DIR")) previous_ = previous;
        setenv("XDG_RUNTIME_DIR", runtime_.Native().c_str(), 1);
    }
    void TearDown() override {
        previous_ ? setenv("XDG_RUNTIME_DIR", previous_->c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    }

    // What Wait(timeoutMs) gives a fresh object of `name` on another thread.
    static DWORD WaitFromOtherThread(const std::string& name, DWORD timeoutMs) {
        DWORD result = WAIT_FAILED;
        std::thread([&] {
            CNamedMutex other;
            if (other.Create(name)) result = other.Wait(timeoutMs);
            if (result == WAIT_OBJECT_0) other.Release();
        }).join();
        return result;
    }

    // A child that creates the mutex, takes it when `own`, says 'y' and
    // keeps everything until told to go on.
    ChildProcess HoldInChild(bool own) {
        return ChildProcess([this, own](const ChildProcess::Parent& parent) {
            CNamedMutex mutex;
            const bool ready = mutex.Create(name_) && (!own || mutex.Wait(2000) == WAIT_OBJECT_0);
            parent.Send(ready ? 'y' : 'n');
            parent.AwaitWord();
            return !own || mutex.Release() ? 0 : 1;
        });
    }

    filetest::TempFolder runtime_;
    std::optional<std::string> previous_;
    const std::string name_ = "Z:/home/u/Velmo Co.,Ltd./Kiv Downloader.dat";
};

TEST_F(NamedMutexTest, AlreadyExistsWhileAnotherHolderHasItOpen) {
    std::optional<CNamedMutex> first(std::in_place), second(std::in_place);
    ASSERT_TRUE(first->Create(name_));
    EXPECT_FALSE(first->AlreadyExisted());
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    ASSERT_TRUE(second->Create("Local\\" + name_));  // the same object
    EXPECT_TRUE(second->AlreadyExisted());
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    first.reset();
    second.reset();
    ASSERT_TRUE(first.emplace().Create(name_));
    EXPECT_FALSE(first->AlreadyExisted());
}

TEST_F(NamedMutexTest, ExistsWhileAnotherProcessHasItOpen) {
    ChildProcess child = HoldInChild(false);
    ASSERT_EQ(child.Receive(), 'y');
    std::optional<CNamedMutex> mutex(std::in_place);
    ASSERT_TRUE(mutex->Create(name_));
    EXPECT_TRUE(mutex->AlreadyExisted());
    child.Send('x');
    ASSERT_EQ(child.Wait(), 0);
    ASSERT_TRUE(mutex.emplace().Create(name_));
    EXPECT_FALSE(mutex->AlreadyExisted());
}

TEST_F(NamedMutexTest, OwnershipIsRecursiveAndBelongsToOneThread) {
    CNamedMutex mutex;
    ASSERT_TRUE(mutex.Create(name_));
    ASSERT_EQ(mutex.Wait(0), WAIT_OBJECT_0);
    ASSERT_EQ(mutex.Wait(0), WAIT_OBJECT_0);
    bool releasedByOther = true;
    std::thread([&] { releasedByOther = mutex.Release(); }).join();
    EXPECT_FALSE(releasedByOther);
    EXPECT_EQ(WaitFromOtherThread(name_, 20), WAIT_TIMEOUT);

    EXPECT_TRUE(mutex.Release());
    EXPECT_EQ(WaitFromOtherThread(name_, 20), WAIT_TIMEOUT);  // still owned once
    EXPECT_TRUE(mutex.Release());
    EXPECT_FALSE(mutex.Release());
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
    EXPECT_EQ(WaitFromOtherThread(name_, 0), WAIT_OBJECT_0);
}

TEST_F(NamedMutexTest, InfiniteWaitEndsWhenTheOwnerReleases) {
    CNamedMutex mutex;
    ASSERT_TRUE(mutex.Create(name_));
    ASSERT_EQ(mutex.Wait(), WAIT_OBJECT_0);
    std::atomic<bool> released{false};
    bool sawRelease = false;
    std::thread waiter([&] {
        CNamedMutex other;
        if (other.Create(name_) && other.Wait(INFINITE) == WAIT_OBJECT_0) {
            sawRelease = released;
            other.Release();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    released = true;
    mutex.Release();
    waiter.join();
    EXPECT_TRUE(sawRelease);
}

TEST_F(NamedMutexTest, ThreadThatEndsOwningGivesItUp) {
    CNamedMutex outlivesTheThread;
    ASSERT_TRUE(outlivesTheThread.Create(name_));
    std::thread([this] {
        CNamedMutex mutex;
        mutex.Create(name_);
        mutex.Wait();
    }).join();
    EXPECT_EQ(outlivesTheThread.Wait(2000), WAIT_OBJECT_0);
}

TEST_F(NamedMutexTest, ExcludesOtherProcesses) {
    ChildProcess child = HoldInChild(true);
    ASSERT_EQ(child.Receive(), 'y');
    CNamedMutex mutex;
    ASSERT_TRUE(mutex.Create(name_));
    EXPECT_EQ(mutex.Wait(0), WAIT_TIMEOUT);
    EXPECT_EQ(mutex.Wait(30), WAIT_TIMEOUT);
    child.Send('r');
    EXPECT_EQ(mutex.Wait(5000), WAIT_OBJECT_0);
    EXPECT_EQ(child.Wait(), 0);

    ChildProcess blocked([this](const ChildProcess::Parent&) {
        CNamedMutex other;
        return other.Create(name_) && other.Wait(0) == WAIT_TIMEOUT ? 0 : 1;
    });
    EXPECT_EQ(blocked.Wait(), 0);
}

TEST_F(NamedMutexTest, KilledOwnerLetsTheNextWaiterIn) {
    ChildProcess child = HoldInChild(true);
    ASSERT_EQ(child.Receive(), 'y');
    CNamedMutex mutex;
    ASSERT_TRUE(mutex.Create(name_));
    ASSERT_EQ(mutex.Wait(0), WAIT_TIMEOUT);
    child.Kill();
    EXPECT_EQ(mutex.Wait(2000), WAIT_OBJECT_0);
}

TEST_F(NamedMutexTest, InitialOwnershipOnlyForTheCreator) {
    CNamedMutex creator;
    ASSERT_TRUE(creator.Create(name_, true));
    EXPECT_EQ(WaitFromOtherThread(name_, 0), WAIT_TIMEOUT);
    bool openerOwns = true;
    std::thread([&] {
        CNamedMutex opener;
        openerOwns = !opener.Create(name_, true) || opener.Release();
    }).join();
    EXPECT_FALSE(openerOwns);
    EXPECT_TRUE(creator.Release());
}

TEST_F(NamedMutexTest, UnusualNamesAreDistinctMutexes) {
    // Long names share their first 600 bytes and are hashed to fit a file name.
    const std::string longA = std::string(600, 'a') + "\\/A\xE6\x97\xA5";
    const std::string longB = std::string(600, 'a') + "\\/B\xE6\x97\xA5";
    CNamedMutex a, b, slash, backslash;
    ASSERT_TRUE(a.Create(longA));
    ASSERT_TRUE(b.Create(longB));
    EXPECT_FALSE(b.AlreadyExisted());
    ASSERT_EQ(a.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitFromOtherThread(longB, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitFromOtherThread(longA, 0), WAIT_TIMEOUT);
    a.Release();
    ASSERT_TRUE(slash.Create("a/b"));
    ASSERT_TRUE(backslash.Create("a\\b"));
    EXPECT_FALSE(backslash.AlreadyExisted());
}

TEST_F(NamedMutexTest, UnnamedAndUncreatedObjects) {
    CNamedMutex never, unnamed, otherUnnamed;
    EXPECT_EQ(never.Wait(0), WAIT_FAILED);
    ASSERT_TRUE(unnamed.Create("") && otherUnnamed.Create(""));
    EXPECT_EQ(unnamed.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(otherUnnamed.Wait(0), WAIT_OBJECT_0);  // each one its own
}

// A link planted on the lock file (by a confined worker of an older build,
// or anything else of the user's) is replaced: the mutex works again, and
// the file the link pointed at is neither locked nor changed.
TEST_F(NamedMutexTest, PlantedLinkOrFifoOnTheLockFileIsReplacedNotFollowed) {
    filetest::TempFolder elsewhere;
    const std::string target = elsewhere.Native() + "/victim";
    { std::ofstream(target) << "keep"; }
    std::string folder;
    ASSERT_TRUE(GetKnownFolderNativePath(KnownFolder::Runtime, folder));
    const std::string lockFile = folder + "/" + MutexLockFileName(MutexKey(name_));
    ASSERT_EQ(symlink(target.c_str(), lockFile.c_str()), 0);
    {
        CNamedMutex mutex;
        ASSERT_TRUE(mutex.Create(name_));
        EXPECT_EQ(mutex.Wait(0), WAIT_OBJECT_0);
        EXPECT_TRUE(mutex.Release());
    }
    struct stat status {};
    ASSERT_EQ(lstat(lockFile.c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    std::string kept;
    std::getline(std::ifstream(target), kept);
    EXPECT_EQ(kept, "keep");

    // A FIFO at the name is replaced too, and does not hold the open.
    const std::string other = "fifo-planted";
    const std::string fifo = folder + "/" + MutexLockFileName(other);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CNamedMutex replaced;
    ASSERT_TRUE(replaced.Create(other));
    ASSERT_EQ(lstat(fifo.c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
}

}  // namespace
