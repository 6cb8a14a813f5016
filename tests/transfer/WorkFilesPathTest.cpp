// Where items are written: the destination folder without the assistant, the
// temporary folder with it, and the temporary path found again or chosen.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "env/Application.h"
#include "env/Locations.h"
#include "env/Settings.h"
#include "tests/transfer/WorkFilesTestEnv.h"
#include "transfer/VersionFile.h"
#include "transfer/WorkFiles.h"

namespace {

using worktest::AssistantModeControl;

constexpr const char* kUrl = "http://127.0.0.1/files/a.bin";

class WorkFilesPathTest : public worktest::IsolatedEnvironment {
protected:
    std::string Setting() {
        std::string value;
        env::ReadSettingString(env::GetCompanyName(), env::GetProductName(),
                               env::kTemporaryFilesPath, value);
        return value;
    }
    void SetSetting(const std::string& value) {
        ASSERT_TRUE(env::WriteSettingString(env::GetCompanyName(), env::GetProductName(),
                                            env::kTemporaryFilesPath, value));
    }
    void Record(const std::string& key, const std::string& path) {
        CVersionFile versionFile;
        versionFile.Open(env::GetVersionFilePath());
        ASSERT_TRUE(versionFile.Set(key, path, "Wed, 01 Jul 2015 00:00:00 GMT", 0));
        ASSERT_TRUE(versionFile.Save());
    }
    std::string DefaultFolder() {
        std::string lowTemp;
        EXPECT_TRUE(env::GetLowTempFolder(lowTemp));
        return lowTemp + "\\Velmo Co.,Ltd.\\Kiv Downloader";
    }
    // The local path of a one-item run in assistant mode.
    std::string AssistantLocalPath(const std::string& name = "a.bin") {
        AssistantModeControl control;
        CONTENTDATA& item = control.AddItem(kUrl, {}, name);
        std::string path;
        EXPECT_TRUE(LocalPathOfItem(control, item, path));
        EXPECT_EQ(control.error.errorCode, 0);
        return path;
    }
};

TEST_F(WorkFilesPathTest, WithoutAssistantTheFileGoesToTheDestinationFolder) {
    FakeDownloadControl control;
    CONTENTDATA& item = control.AddItem(kUrl, {}, "a.bin");
    for (const char* folder : {"Z:\\dl", "Z:\\dl\\", "Z:\\dl\\\\"}) {
        control.destinationFolder = folder;
        std::string path;
        ASSERT_TRUE(LocalPathOfItem(control, item, path));
        EXPECT_EQ(path, "Z:\\dl\\a.bin") << folder;
        EXPECT_EQ(FinalPathOfItem(control, item), "Z:\\dl\\a.bin");
    }
    EXPECT_TRUE(Setting().empty());  // the temporary folder is no business of this mode
}

TEST_F(WorkFilesPathTest, EmptySettingTakesTheDefaultFolderAndLaterRunsUseTheSetting) {
    const std::string first = AssistantLocalPath();
    EXPECT_EQ(first, DefaultFolder() + "\\a.bin");
    EXPECT_EQ(Setting(), DefaultFolder());
    EXPECT_TRUE(std::filesystem::is_directory(
        root_.Native("cache/Temp/Low/Velmo Co.,Ltd./Kiv Downloader")));

    SetSetting(root_.Windows() + "\\elsewhere\\\\");
    EXPECT_EQ(AssistantLocalPath(), root_.Windows() + "\\elsewhere\\a.bin");
    EXPECT_TRUE(std::filesystem::is_directory(root_.Native("elsewhere")));
    EXPECT_EQ(Setting(), root_.Windows() + "\\elsewhere\\\\");  // a set value is left as it is
}

TEST_F(WorkFilesPathTest, RecordedTemporaryFileOfAnEarlierRunIsFoundAgain) {
    const std::string earlier = WriteFile("earlier/part.bin", "partial");
    Record(kUrl, earlier);
    EXPECT_EQ(AssistantLocalPath(), earlier);
    EXPECT_TRUE(Setting().empty());
}

TEST_F(WorkFilesPathTest, RecordedPathIsIgnoredWhenItsFileIsGoneOrThePathIsNotFull) {
    Record(kUrl, root_.Windows() + "\\earlier\\gone.bin");
    EXPECT_EQ(AssistantLocalPath(), DefaultFolder() + "\\a.bin");

    WriteFile("relative.bin", "x");
    Record(kUrl, "relative.bin");
    EXPECT_EQ(AssistantLocalPath(), DefaultFolder() + "\\a.bin");
}

TEST_F(WorkFilesPathTest, NoUsableTemporaryFolderFailsWith101) {
    envtest::ScopedEnvVar cache("XDG_CACHE_HOME", "/tmp/no:windows:form");
    AssistantModeControl control;
    CONTENTDATA& item = control.AddItem(kUrl, {}, "a.bin");
    std::string path = "unchanged";
    EXPECT_FALSE(LocalPathOfItem(control, item, path));
    EXPECT_EQ(control.error.errorCode, 101);
    EXPECT_NE(control.error.lastError, 0u);
    EXPECT_EQ(path, "unchanged");
    EXPECT_TRUE(Setting().empty());

    // A folder that cannot be created (a file is in the way) fails the same.
    SetSetting(WriteFile("plain-file", "x") + "\\sub");
    control.error = ErrorState{};
    EXPECT_FALSE(LocalPathOfItem(control, item, path));
    EXPECT_EQ(control.error.errorCode, 101);
    EXPECT_NE(control.error.lastError, 0u);
}

}  // namespace
