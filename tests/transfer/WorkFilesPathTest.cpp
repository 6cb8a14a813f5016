// Where items are written: the destination folder without the assistant, the
// temporary folder with it, and the temporary path found again or chosen.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "env/Application.h"
#include "env/Locations.h"
#include "env/Settings.h"
#include "platform/NativePath.h"
#include "platform/Registry.h"
#include "tests/transfer/WorkFilesTestEnv.h"
#include "transfer/PartialFile.h"
#include "transfer/VersionFile.h"
#include "transfer/WorkFiles.h"

using kivtransfer::CONTENTDATA;
using kivtransfer::CPartialFile;
using kivtransfer::CVersionFile;
using kivtransfer::ErrorState;
using kivtransfer::FinalPathOfItem;
using kivtransfer::LocalPathOfItem;

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
        EXPECT_EQ(path, "Z:\\dl\\.a.bin.kivpart") << folder;  // hidden until finalised
        EXPECT_EQ(FinalPathOfItem(control, item), "Z:\\dl\\a.bin");
    }
    EXPECT_TRUE(Setting().empty());  // the temporary folder is no business of this mode
}

TEST_F(WorkFilesPathTest, TheSettingCountsOnlyWithinTheLowTemporaryFolder) {
    const std::string first = AssistantLocalPath();
    EXPECT_EQ(first, DefaultFolder() + "\\a.bin");
    EXPECT_EQ(Setting(), DefaultFolder());
    EXPECT_TRUE(std::filesystem::is_directory(
        root_.Native("cache/Temp/Low/Velmo Co.,Ltd./Kiv Downloader")));

    const std::string lowTemp = root_.Windows("cache/Temp/Low");
    SetSetting(lowTemp + "\\elsewhere\\\\");
    EXPECT_EQ(AssistantLocalPath(), lowTemp + "\\elsewhere\\a.bin");
    EXPECT_TRUE(std::filesystem::is_directory(root_.Native("cache/Temp/Low/elsewhere")));
    EXPECT_EQ(Setting(), lowTemp + "\\elsewhere\\\\");  // a good value is left as it is

    // The confined worker may have written any folder there: one outside the
    // low temporary folder is replaced by the default and never written to.
    for (const std::string& planted : {root_.Windows("home"), lowTemp + "\\..\\..\\..\\home",
                                       lowTemp + "-x\\a", std::string("Z:\\")}) {
        SetSetting(planted);
        EXPECT_EQ(AssistantLocalPath(), DefaultFolder() + "\\a.bin") << planted;
        EXPECT_EQ(Setting(), DefaultFolder()) << planted;
    }
    EXPECT_FALSE(std::filesystem::exists(root_.Native("home")));
}

TEST_F(WorkFilesPathTest, RecordedTemporaryFileOfAnEarlierRunIsFoundAgain) {
    AssistantLocalPath();  // makes the folder
    const std::string earlier = DefaultFolder() + "\\a.bin";
    std::string native;
    ASSERT_TRUE(win::ToNativePath(earlier, native));
    std::ofstream(native) << "partial";
    Record(kUrl, earlier);
    EXPECT_EQ(AssistantLocalPath(), earlier);
    EXPECT_NE(VersionFileText().find(kUrl), std::string::npos);
}

// A row naming another file (another user's, a secret of ours) or a link in
// the item's place is dropped: nothing unconfined may act on that path.
TEST_F(WorkFilesPathTest, ARowNamingAnyOtherFileIsDroppedAndTheItemStartsOver) {
    const std::string secret = WriteFile("secret.txt", "secret");
    AssistantLocalPath();
    std::string expectedNative;
    ASSERT_TRUE(win::ToNativePath(DefaultFolder() + "\\a.bin", expectedNative));
    std::filesystem::create_symlink(root_.Native("secret.txt"), expectedNative);
    for (const std::string& recorded : {secret, DefaultFolder() + "\\a.bin", std::string("a.bin"),
                                        DefaultFolder() + "\\..\\a.bin"}) {
        Record(kUrl, recorded);
        EXPECT_EQ(AssistantLocalPath(), DefaultFolder() + "\\a.bin") << recorded;
        EXPECT_EQ(VersionFileText().find(kUrl), std::string::npos) << recorded;
    }
    EXPECT_EQ(ReadNative(root_.Native("secret.txt")), "secret");
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
    SetSetting(WriteFile("cache/Temp/Low/plain-file", "x") + "\\sub");
    control.error = ErrorState{};
    EXPECT_FALSE(LocalPathOfItem(control, item, path));
    EXPECT_EQ(control.error.errorCode, 101);
    EXPECT_NE(control.error.lastError, 0u);
}

// URLs in the record and the settings can carry tokens; a partial file is
// nobody else's business either.
TEST_F(WorkFilesPathTest, OwnFilesAndFoldersAreTheUsersAloneWhateverTheUmask) {
    const mode_t saved = umask(0);
    const std::string local = AssistantLocalPath();
    Record(kUrl, local);
    CPartialFile partial;
    ASSERT_TRUE(partial.Open(local, false).Ok());
    partial.Close();
    umask(saved);

    std::string store;
    ASSERT_TRUE(win::GetRegistryStorePath(store));
    std::string record;
    ASSERT_TRUE(win::ToNativePath(env::GetVersionFilePath(), record));
    std::string partialNative;
    ASSERT_TRUE(win::ToNativePath(local, partialNative));
    for (const std::string& file : {store, record, partialNative}) {
        const auto path = std::filesystem::path(file);
        EXPECT_EQ(std::filesystem::status(path).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
            << file;
        EXPECT_EQ(std::filesystem::status(path.parent_path()).permissions(),
                  std::filesystem::perms::owner_all)
            << path.parent_path();
    }
}

}  // namespace
