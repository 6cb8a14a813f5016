#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "EnvTestHelpers.h"
#include "env/Application.h"
#include "env/Locations.h"
#include "platform/Language.h"
#include "platform/ProcessSettings.h"

namespace {

constexpr const char* kVersionFileBelowBase =
    "\\Velmo Co.,Ltd.\\Kiv Downloader\\Kiv Downloader.dat";
constexpr const char* kVersionFolderBelowBase = "/Velmo Co.,Ltd./Kiv Downloader";
constexpr const char* kUnrepresentableFolder = "/tmp/no:windows:form";

// Each test starts from a fresh application object in an environment of its own.
class ApplicationTest : public ::testing::Test {
protected:
    ApplicationTest() {
        win::OverrideLanguage(win::Language::English);
        env::TheApp().ResetForTests();
        env::ResetPlatformTestForTests();
    }
    ~ApplicationTest() override {
        env::TheApp().ResetForTests();
        win::SetProtectedLayout(false);
        env::ResetPlatformTestForTests();
        win::ResetLanguage();
    }

    void UseLayout(bool isProtected) {
        win::SetProtectedLayout(isProtected);
        env::ResetPlatformTestForTests();
    }

    envtest::TempFolder home_;
    envtest::ScopedEnvVar homeVar_{"HOME", home_.Native()};
    envtest::ScopedEnvVar stateVar_{"XDG_STATE_HOME", std::nullopt};
    envtest::ScopedEnvVar configVar_{"XDG_CONFIG_HOME", home_.Native("config")};
};

TEST_F(ApplicationTest, NamesComeFromTheStringTable) {
    EXPECT_EQ(env::GetCompanyName(), "Velmo Co.,Ltd.");
    EXPECT_EQ(env::GetProductName(), "Kiv Downloader");
}

TEST_F(ApplicationTest, VersionFileIsBelowTheDefaultStateFolder) {
    const std::string path = env::GetVersionFilePath();
    EXPECT_EQ(path, home_.Windows(".local/state") + kVersionFileBelowBase);
    EXPECT_TRUE(std::filesystem::is_directory(
        home_.Native(std::string(".local/state") + kVersionFolderBelowBase)));
    EXPECT_FALSE(std::filesystem::exists(home_.Native(
        std::string(".local/state") + kVersionFolderBelowBase + "/Kiv Downloader.dat")));
}

TEST_F(ApplicationTest, BaseWithTrailingSeparatorGivesOneBackslash) {
    envtest::ScopedEnvVar state("XDG_STATE_HOME", home_.Native("state///"));
    EXPECT_EQ(env::GetVersionFilePath(), home_.Windows("state") + kVersionFileBelowBase);
}

TEST_F(ApplicationTest, SecondRequestReturnsTheKeptPathWithoutTouchingTheDisk) {
    const std::string first = env::GetVersionFilePath();
    ASSERT_FALSE(first.empty());
    std::filesystem::remove_all(home_.Native(".local"));
    envtest::ScopedEnvVar state("XDG_STATE_HOME", home_.Native("elsewhere"));

    EXPECT_EQ(env::GetVersionFilePath(), first);
    EXPECT_FALSE(std::filesystem::exists(home_.Native(".local")));
    EXPECT_FALSE(std::filesystem::exists(home_.Native("elsewhere")));
}

TEST_F(ApplicationTest, WithoutLocalLowFallsBackToRoamingFolder) {
    envtest::ScopedEnvVar state("XDG_STATE_HOME", kUnrepresentableFolder);
    EXPECT_EQ(env::GetVersionFilePath(), home_.Windows("config") + kVersionFileBelowBase);
    EXPECT_TRUE(std::filesystem::is_directory(
        home_.Native(std::string("config") + kVersionFolderBelowBase)));
}

TEST_F(ApplicationTest, ProtectedLayoutWithoutLocalLowGivesEmptyAndRetries) {
    UseLayout(true);
    {
        envtest::ScopedEnvVar state("XDG_STATE_HOME", kUnrepresentableFolder);
        EXPECT_EQ(env::GetVersionFilePath(), "");
        EXPECT_FALSE(std::filesystem::exists(home_.Native("config")));
    }
    EXPECT_EQ(env::GetVersionFilePath(), home_.Windows(".local/state") + kVersionFileBelowBase);
}

TEST_F(ApplicationTest, FolderCreationFailureIsTriedAgain) {
    // A file where the company folder should be blocks the folder creation.
    std::filesystem::create_directories(home_.Native(".local/state"));
    const std::string blocker = home_.Native(".local/state/Velmo Co.,Ltd.");
    std::ofstream(blocker) << "in the way";
    const std::string expected = home_.Windows(".local/state") + kVersionFileBelowBase;

    EXPECT_EQ(env::GetVersionFilePath(), expected);
    std::filesystem::remove(blocker);
    EXPECT_EQ(env::GetVersionFilePath(), expected);
    EXPECT_TRUE(std::filesystem::is_directory(
        home_.Native(std::string(".local/state") + kVersionFolderBelowBase)));
}

}  // namespace
