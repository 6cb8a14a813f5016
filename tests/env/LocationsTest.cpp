#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <limits>

#include "EnvTestHelpers.h"
#include "env/Locations.h"
#include "platform/FileApi.h"
#include "platform/LastError.h"
#include "platform/ProcessSettings.h"

namespace {

constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;
// A native folder name that has no Windows form, so the known folder fails.
constexpr const char* kUnrepresentableFolder = "/tmp/no:windows:form";

TEST(IsNt6OrLater, AnswersTheLayoutOnceAndKeepsIt) {
    env::ResetPlatformTestForTests();
    win::SetProtectedLayout(true);
    EXPECT_TRUE(env::IsNt6OrLater());
    win::SetProtectedLayout(false);
    EXPECT_TRUE(env::IsNt6OrLater());  // kept from the first call

    env::ResetPlatformTestForTests();
    EXPECT_FALSE(env::IsNt6OrLater());
    win::SetProtectedLayout(true);
    EXPECT_FALSE(env::IsNt6OrLater());

    win::SetProtectedLayout(false);
    env::ResetPlatformTestForTests();
}

class KnownFolderLocations : public ::testing::Test {
protected:
    envtest::TempFolder home_;
};

TEST_F(KnownFolderLocations, LowTempFolderHasOneBackslashBeforeTempLow) {
    envtest::ScopedEnvVar cache("XDG_CACHE_HOME", home_.Native("cache//"));
    std::string folder;
    ASSERT_TRUE(env::GetLowTempFolder(folder));
    EXPECT_EQ(folder, home_.Windows("cache") + "\\Temp\\Low");
}

TEST_F(KnownFolderLocations, LowTempFolderBelowTheRoot) {
    envtest::ScopedEnvVar cache("XDG_CACHE_HOME", "/");
    std::string folder;
    ASSERT_TRUE(env::GetLowTempFolder(folder));
    EXPECT_EQ(folder, "Z:\\Temp\\Low");
}

TEST_F(KnownFolderLocations, LocalLowIsTheStateFolder) {
    envtest::ScopedEnvVar state("XDG_STATE_HOME", home_.Native("state"));
    std::string folder;
    ASSERT_TRUE(env::GetLocalAppDataLowFolder(folder));
    EXPECT_EQ(folder, home_.Windows("state"));
}

TEST_F(KnownFolderLocations, FailuresLeaveTheOutputUnchanged) {
    envtest::ScopedEnvVar cache("XDG_CACHE_HOME", kUnrepresentableFolder);
    envtest::ScopedEnvVar state("XDG_STATE_HOME", kUnrepresentableFolder);
    std::string folder = "untouched";
    EXPECT_FALSE(env::GetLowTempFolder(folder));
    EXPECT_FALSE(env::GetLocalAppDataLowFolder(folder));
    EXPECT_EQ(folder, "untouched");
}

class WritableFolderProbe : public ::testing::Test {
protected:
    bool HasProbeLeftovers() const {
        for (const auto& entry : std::filesystem::directory_iterator(folder_.Native())) {
            if (entry.path().filename().string().starts_with("TMP")) {
                return true;
            }
        }
        return false;
    }

    envtest::TempFolder folder_;
};

TEST_F(WritableFolderProbe, WritableFolderLeavesNoProbeFile) {
    EXPECT_TRUE(env::IsWritableFolder(folder_.Windows()));
    EXPECT_TRUE(env::IsWritableFolder(folder_.Windows() + "\\"));
    EXPECT_FALSE(HasProbeLeftovers());
}

TEST_F(WritableFolderProbe, MissingFolderOrFileIsNotWritable) {
    EXPECT_FALSE(env::IsWritableFolder(folder_.Windows("missing")));
    EXPECT_FALSE(env::IsWritableFolder(""));
    std::ofstream(folder_.Native("plain")) << "a file, not a folder";
    EXPECT_FALSE(env::IsWritableFolder(folder_.Windows("plain")));
    EXPECT_FALSE(HasProbeLeftovers());
}

TEST_F(WritableFolderProbe, ReadOnlyFolderIsNotWritable) {
    if (envtest::RunningAsRoot()) {
        GTEST_SKIP() << "root may create files in a read-only folder";
    }
    ASSERT_EQ(chmod(folder_.Native().c_str(), 0555), 0);
    EXPECT_FALSE(env::IsWritableFolder(folder_.Windows()));
    ASSERT_EQ(chmod(folder_.Native().c_str(), 0700), 0);
    EXPECT_FALSE(HasProbeLeftovers());
}

class FreeSpace : public ::testing::Test {
protected:
    envtest::TempFolder folder_;
};

TEST_F(FreeSpace, FailedQueryCountsAsNothingFree) {
    const std::string missing = folder_.Windows("missing");
    EXPECT_TRUE(env::HasFreeSpace(missing, 0));
    EXPECT_FALSE(env::HasFreeSpace(missing, 1));
    EXPECT_FALSE(env::HasFreeSpace("not a path", 1));
}

TEST_F(FreeSpace, ComparesAll64Bits) {
    const std::string folder = folder_.Windows();
    std::uint64_t available = 0;
    ASSERT_TRUE(win::GetDiskFreeSpaceEx(folder, available));
    ASSERT_GT(available, 0u);

    EXPECT_TRUE(env::HasFreeSpace(folder, 1));
    // Both counts' low 32 bits are small: a truncated compare would pass them.
    EXPECT_FALSE(env::HasFreeSpace(folder, (std::uint64_t{1} << 63) + 1));
    win::SetLastError(win::ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(env::HasFreeSpace(folder, std::numeric_limits<std::uint64_t>::max()));
    // The shortage is what the caller reports, not an earlier call's error.
    EXPECT_EQ(win::GetLastError(), win::ERROR_DISK_FULL);
    if (available < 2 * kFourGiB) {
        GTEST_SKIP() << "less than 8 GiB free here; the above-4-GiB pass is not checked";
    }
    EXPECT_TRUE(env::HasFreeSpace(folder, kFourGiB + 1));
}

}  // namespace
