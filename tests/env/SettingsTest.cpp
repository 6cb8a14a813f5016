// The settings operations: their key, their type checks and their answers
// for missing arguments, keys and values.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "env/Settings.h"
#include "platform/LastError.h"
#include "platform/Registry.h"
#include "tests/env/EnvTestHelpers.h"

namespace {

using namespace env;

const char* const kCompany = "Velmo Co.,Ltd.";
const char* const kProduct = "Kiv Downloader";
const char* const kKey = "Software\\Velmo Co.,Ltd.\\Kiv Downloader";

// An item-identifier list: one 6-byte item, then the two-byte terminator.
const std::string kItemList("\x06\x00\x1f\x50\x00\x00\x00\x00", 8);

class SettingsTest : public ::testing::Test {
protected:
    // Stores a value of any type directly, as another tool might have.
    void Plant(std::string_view name, win::DWORD type, const std::string& data) {
        win::HKEY key = nullptr;
        ASSERT_EQ(win::RegCreateKeyEx(win::HKEY_CURRENT_USER, kKey, win::REG_OPTION_NON_VOLATILE,
                                      win::KEY_ALL_ACCESS, &key),
                  win::ERROR_SUCCESS);
        win::CRegKey owner(key);
        ASSERT_EQ(
            win::RegSetValueEx(key, name, type, reinterpret_cast<const win::BYTE*>(data.data()),
                               static_cast<win::DWORD>(data.size())),
            win::ERROR_SUCCESS);
    }
    // Type and bytes of a stored value; type 0xFFFFFFFF when there is none.
    std::pair<win::DWORD, std::string> Stored(std::string_view name) {
        win::HKEY key = nullptr;
        if (win::RegOpenKeyEx(win::HKEY_CURRENT_USER, kKey, win::KEY_READ, &key) != 0) {
            return {0xFFFFFFFFu, ""};
        }
        win::CRegKey owner(key);
        win::DWORD type = 0;
        win::DWORD size = 0;
        if (win::RegQueryValueEx(key, name, &type, nullptr, &size) != 0) return {0xFFFFFFFFu, ""};
        std::string data(size, '\0');
        win::RegQueryValueEx(key, name, &type, reinterpret_cast<win::BYTE*>(data.data()), &size);
        return {type, data};
    }
    std::string StoreText() const {
        std::ifstream file(config_.Native("kiv-downloader/user.reg"), std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    envtest::TempFolder config_;
    envtest::ScopedEnvVar configHome_{"XDG_CONFIG_HOME", config_.Native()};
};

TEST_F(SettingsTest, MissingArgumentsAreRefusedWithInvalidParameter) {
    std::string text = "unchanged";
    win::DWORD size = 4;
    char buffer[4];
    auto expectRefused = [](bool result, const char* what) {
        EXPECT_FALSE(result) << what;
        EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER) << what;
    };
    expectRefused(OpenSettingsKey("", kProduct).IsOpen(), "open without company");
    expectRefused(OpenSettingsKey(kCompany, "").IsOpen(), "open without product");
    expectRefused(WriteSettingString(kCompany, kProduct, "", "x"), "string without name");
    expectRefused(WriteSettingBinary("", kProduct, kDownloadedFilesPath, "x", 1), "binary");
    expectRefused(ReadSettingString(kCompany, "", kTemporaryFilesPath, text), "read string");
    expectRefused(ReadSettingBinary(kCompany, kProduct, "", buffer, size), "read binary");
    // Bytes promised but not given.
    expectRefused(WriteSettingBinary(kCompany, kProduct, kDownloadedFilesPath, nullptr, 8),
                  "binary without bytes");
    EXPECT_EQ(text, "unchanged");
    EXPECT_FALSE(std::filesystem::exists(config_.Native("kiv-downloader/user.reg")));
}

TEST_F(SettingsTest, ValuesLiveBelowTheCompanyAndProductKey) {
    ASSERT_TRUE(WriteSettingString(kCompany, kProduct, kTemporaryFilesPath, "Z:\\tmp\\Kiv"));
    ASSERT_TRUE(WriteSettingBinary(kCompany, kProduct, kDownloadedFilesPath, kItemList.data(),
                                   static_cast<win::DWORD>(kItemList.size())));
    EXPECT_EQ(Stored(kTemporaryFilesPath),
              std::make_pair(win::REG_SZ, std::string("Z:\\tmp\\Kiv", 11)));
    EXPECT_EQ(Stored(kDownloadedFilesPath), std::make_pair(win::REG_BINARY, kItemList));
    EXPECT_NE(StoreText().find("[HKEY_CURRENT_USER\\Software\\Velmo Co.,Ltd.\\Kiv Downloader]\r\n"
                               "\"TemporaryFilesPath\"=\"Z:\\\\tmp\\\\Kiv\"\r\n"
                               "\"DownloadedFilesPath\"=hex:06,00,1f,50,00,00,00,00\r\n"),
              std::string::npos);
    win::CRegKey key = OpenSettingsKey(kCompany, kProduct);
    EXPECT_TRUE(key.IsOpen());
}

TEST_F(SettingsTest, StringsReadBackUpToTheirTerminator) {
    std::string text;
    ASSERT_TRUE(WriteSettingString(kCompany, kProduct, kTemporaryFilesPath, "Z:\\a b\\c"));
    ASSERT_TRUE(ReadSettingString(kCompany, kProduct, kTemporaryFilesPath, text));
    EXPECT_EQ(text, "Z:\\a b\\c");

    Plant(kTemporaryFilesPath, win::REG_SZ, std::string("first\0second\0", 13));
    ASSERT_TRUE(ReadSettingString(kCompany, kProduct, kTemporaryFilesPath, text));
    EXPECT_EQ(text, "first");

    Plant(kTemporaryFilesPath, win::REG_SZ, "");
    ASSERT_TRUE(ReadSettingString(kCompany, kProduct, kTemporaryFilesPath, text));
    EXPECT_EQ(text, "");

    Plant(kTemporaryFilesPath, win::REG_EXPAND_SZ, std::string("%TEMP%\\Kiv\0", 11));
    ASSERT_TRUE(ReadSettingString(kCompany, kProduct, kTemporaryFilesPath, text));
    EXPECT_EQ(text, "%TEMP%\\Kiv");
}

TEST_F(SettingsTest, WrongTypesAndUnterminatedStringsAreRefusedAsInvalidData) {
    std::string text = "unchanged";
    Plant(kTemporaryFilesPath, win::REG_DWORD, std::string("\x01\x00\x00\x00", 4));
    EXPECT_FALSE(ReadSettingString(kCompany, kProduct, kTemporaryFilesPath, text));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA);

    Plant(kTemporaryFilesPath, win::REG_SZ, "no terminator");
    EXPECT_FALSE(ReadSettingString(kCompany, kProduct, kTemporaryFilesPath, text));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA);
    EXPECT_EQ(text, "unchanged");

    Plant(kDownloadedFilesPath, win::REG_SZ, std::string("C:\\\0", 4));
    char buffer[16];
    win::DWORD size = sizeof buffer;
    EXPECT_FALSE(ReadSettingBinary(kCompany, kProduct, kDownloadedFilesPath, buffer, size));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA);
    size = 0;
    EXPECT_FALSE(ReadSettingBinary(kCompany, kProduct, kDownloadedFilesPath, nullptr, size));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA);
}

TEST_F(SettingsTest, BinaryReadsReportTheSizeFirst) {
    ASSERT_TRUE(WriteSettingBinary(kCompany, kProduct, kDownloadedFilesPath, kItemList.data(),
                                   static_cast<win::DWORD>(kItemList.size())));
    win::DWORD size = 0;
    ASSERT_TRUE(ReadSettingBinary(kCompany, kProduct, kDownloadedFilesPath, nullptr, size));
    EXPECT_EQ(size, kItemList.size());

    char small[4];
    size = sizeof small;
    EXPECT_FALSE(ReadSettingBinary(kCompany, kProduct, kDownloadedFilesPath, small, size));
    EXPECT_EQ(win::GetLastError(), win::ERROR_MORE_DATA);
    EXPECT_EQ(size, kItemList.size());

    std::string buffer(size, '\x7f');
    ASSERT_TRUE(ReadSettingBinary(kCompany, kProduct, kDownloadedFilesPath, buffer.data(), size));
    EXPECT_EQ(buffer, kItemList);
}

TEST_F(SettingsTest, ReadingFromAMissingKeyCreatesTheEmptyKey) {
    std::string text = "unchanged";
    EXPECT_FALSE(ReadSettingString(kCompany, kProduct, kTemporaryFilesPath, text));
    EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(text, "unchanged");
    win::DWORD size = 0;
    EXPECT_FALSE(ReadSettingBinary(kCompany, kProduct, kDownloadedFilesPath, nullptr, size));
    EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);

    win::HKEY key = nullptr;
    EXPECT_EQ(win::RegOpenKeyEx(win::HKEY_CURRENT_USER, kKey, win::KEY_READ, &key),
              win::ERROR_SUCCESS);
    win::CRegKey owner(key);
    EXPECT_EQ(Stored(kTemporaryFilesPath).first, 0xFFFFFFFFu);
}

TEST_F(SettingsTest, ValuesEditedByHandAreCheckedLikeAnyOther) {
    std::filesystem::create_directories(config_.Native("kiv-downloader"));
    std::ofstream(config_.Native("kiv-downloader/user.reg"), std::ios::binary)
        << "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_CURRENT_USER\\Software\\Velmo Co.,Ltd.\\Kiv Downloader]\r\n"
           "\"TemporaryFilesPath\"=hex(1):5a,3a,5c,74\r\n"
           "\"DownloadedFilesPath\"=\"C:\\\\Downloads\"\r\n";
    std::string text = "unchanged";
    EXPECT_FALSE(ReadSettingString(kCompany, kProduct, kTemporaryFilesPath, text));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA);
    EXPECT_EQ(text, "unchanged");
    win::DWORD size = 0;
    EXPECT_FALSE(ReadSettingBinary(kCompany, kProduct, kDownloadedFilesPath, nullptr, size));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA);

    // Reading never repairs: the malformed value is still there as it was.
    EXPECT_EQ(Stored(kTemporaryFilesPath), std::make_pair(win::REG_SZ, std::string("Z:\\t")));
}

TEST_F(SettingsTest, AnUnusableStoreIsReportedAsFailure) {
    // A plain file where the settings folder should be.
    std::ofstream(config_.Native("kiv-downloader")) << "not a folder";
    std::string text;
    EXPECT_FALSE(OpenSettingsKey(kCompany, kProduct).IsOpen());
    EXPECT_FALSE(WriteSettingString(kCompany, kProduct, kTemporaryFilesPath, "x"));
    EXPECT_NE(win::GetLastError(), win::ERROR_SUCCESS);
    EXPECT_FALSE(ReadSettingString(kCompany, kProduct, kTemporaryFilesPath, text));
}

}  // namespace
