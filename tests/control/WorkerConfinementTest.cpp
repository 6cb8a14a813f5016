// The confined worker of the protected layout: what it may write, and that
// nothing it writes can widen what the next run trusts or may write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <thread>

#include "control/WorkerConfinement.h"
#include "env/Application.h"
#include "env/Locations.h"
#include "env/Settings.h"
#include "platform/KnownFolders.h"
#include "platform/Landlock.h"
#include "platform/MutexFileName.h"
#include "platform/NamedMutex.h"
#include "platform/Registry.h"
#include "tests/transfer/WorkFilesTestEnv.h"
#include "transfer/VersionRow.h"
#include "transfer/WorkFiles.h"

using kivcontrol::ConfineWorkerWrites;

using kivtransfer::CONTENTDATA;
using kivtransfer::LocalPathOfItem;

namespace {

class WorkerConfinementTest : public worktest::IsolatedEnvironment {
protected:
    void SetUp() override {
        if (win::LandlockAbiVersion() == 0) {
            GTEST_SKIP() << "the kernel offers no Landlock (too old or switched off at boot)";
        }
    }
    static bool SetTemporaryFolder(const std::string& folder) {
        return env::WriteSettingString(env::GetCompanyName(), env::GetProductName(),
                                       env::kTemporaryFilesPath, folder);
    }
    static std::string TemporaryFolderSetting() {
        std::string value;
        env::ReadSettingString(env::GetCompanyName(), env::GetProductName(),
                               env::kTemporaryFilesPath, value);
        return value;
    }
    // errno of creating `nativePath`, 0 when it could be created.
    static int CreateError(const std::string& nativePath) {
        const int fd = open(nativePath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return errno;
        close(fd);
        return 0;
    }
    std::string DefaultTemporaryFolder() const {
        return root_.Windows("cache/Temp/Low") + "\\Velmo Co.,Ltd.\\Kiv Downloader";
    }
};

TEST_F(WorkerConfinementTest, TheWorkerWritesOnlyItsLowStoreAndCannotWidenTheNextRun) {
    ASSERT_TRUE(env::WriteSettingString(env::GetCompanyName(), env::GetProductName(), "Trusted",
                                        "by the user"));
    std::string userStore;
    ASSERT_TRUE(win::GetRegistryStorePath(userStore));
    const std::string home = root_.Native("home");
    std::filesystem::create_directories(home);

    std::thread([&] {
        ASSERT_TRUE(ConfineWorkerWrites());
        // The worker may set what it likes in its own store...
        EXPECT_TRUE(SetTemporaryFolder(root_.Windows("home")));
        // ...but reaches the user's store by no path.
        EXPECT_EQ(CreateError(userStore), EACCES);
        EXPECT_EQ(CreateError(userStore + ".planted"), EACCES);
    }).join();
    // What the worker wrote is not what the unconfined side reads.
    EXPECT_EQ(TemporaryFolderSetting(), "");

    // The next run's worker gets no rule for that folder, and the default back.
    std::thread([&] {
        ASSERT_TRUE(ConfineWorkerWrites());
        EXPECT_EQ(CreateError(home + "/.bashrc"), EACCES);
        worktest::AssistantModeControl control;
        CONTENTDATA& item = control.AddItem("http://127.0.0.1/a.bin", {}, "a.bin");
        std::string path;
        EXPECT_TRUE(LocalPathOfItem(control, item, path));
        EXPECT_EQ(path, DefaultTemporaryFolder() + "\\a.bin");
        EXPECT_EQ(TemporaryFolderSetting(), DefaultTemporaryFolder());
    }).join();
    EXPECT_FALSE(std::filesystem::exists(home + "/.bashrc"));
    EXPECT_EQ(TemporaryFolderSetting(), "");
}

// The runtime folder holds the lock files every run relies on: the worker
// opens them but can plant, rename or remove nothing there, and still takes
// the version file's lock it needs.
TEST_F(WorkerConfinementTest, TheWorkerCannotPlantOrRemoveInTheRuntimeFolder) {
    const std::string xdgRuntime = root_.Native("run");
    std::filesystem::create_directories(xdgRuntime);
    envtest::ScopedEnvVar runtimeVariable("XDG_RUNTIME_DIR", xdgRuntime);
    std::string runtime;
    ASSERT_TRUE(win::GetKnownFolderNativePath(win::KnownFolder::Runtime, runtime));
    win::CNamedMutex existing;
    ASSERT_TRUE(existing.Create("Local\\another run"));
    const std::string lockFile = runtime + "/" + win::MutexLockFileName("another run");
    ASSERT_TRUE(std::filesystem::exists(lockFile));

    std::thread([&] {
        ASSERT_TRUE(ConfineWorkerWrites());
        EXPECT_EQ(symlink("/nowhere", (runtime + "/mutex-planted.lock").c_str()) == 0 ? 0 : errno,
                  EACCES);
        EXPECT_EQ(unlink(lockFile.c_str()) == 0 ? 0 : errno, EACCES);
        EXPECT_EQ(rename(lockFile.c_str(), (lockFile + ".moved").c_str()) == 0 ? 0 : errno,
                  EACCES);
        EXPECT_EQ(CreateError(runtime + "/new-file"), EACCES);
        // Nor can it reach another program through a Unix socket.
        EXPECT_EQ(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0) < 0 ? errno : 0, EACCES);
        // What the worker itself locks and signals still opens.
        win::CNamedMutex versionLock;
        ASSERT_TRUE(versionLock.Create(kivtransfer::versionrow::MakeLockName(env::GetVersionFilePath())));
        EXPECT_EQ(versionLock.Wait(0), win::WAIT_OBJECT_0);
        EXPECT_TRUE(versionLock.Release());
    }).join();
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(lockFile)));
}

}  // namespace
