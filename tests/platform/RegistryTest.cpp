// The registry calls over the per-user store file: byte-exact file text,
// Windows results and codes, and two processes sharing the store.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/CodePage.h"
#include "platform/RegKey.h"
#include "platform/Registry.h"
#include "tests/platform/CoreTestSupport.h"

namespace {

using namespace win;

const char* const kProductKey = "Software\\Velmo Co.,Ltd.\\Kiv Downloader";

class RegistryTest : public ::testing::Test {
protected:
    std::string StoreFolder() const { return config_.Path() + "/kiv-downloader"; }
    std::string StorePath() const { return StoreFolder() + "/user.reg"; }

    static std::string ReadText(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    std::string StoreText() const { return ReadText(StorePath()); }
    void WriteStoreText(const std::string& text) const {
        std::filesystem::create_directories(StoreFolder());
        std::ofstream(StorePath(), std::ios::binary) << text;
    }

    CRegKey Create(std::string_view path, REGSAM access = KEY_ALL_ACCESS) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, REG_OPTION_NON_VOLATILE, access, &key),
                  ERROR_SUCCESS)
            << path;
        return CRegKey(key);
    }
    static LONG Set(const CRegKey& key, std::string_view name, DWORD type,
                    const std::string& data) {
        return RegSetValueEx(key.Get(), name, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size()));
    }
    // The stored bytes, or the error code as text.
    static std::string Get(const CRegKey& key, std::string_view name, DWORD* type = nullptr) {
        DWORD size = 0;
        LONG result = RegQueryValueEx(key.Get(), name, type, nullptr, &size);
        if (result != ERROR_SUCCESS) return "error " + std::to_string(result);
        std::string data(size, '\0');
        result =
            RegQueryValueEx(key.Get(), name, type, reinterpret_cast<BYTE*>(data.data()), &size);
        return result == ERROR_SUCCESS ? data.substr(0, size) : "error " + std::to_string(result);
    }
    static LONG Open(std::string_view path) {
        HKEY key = nullptr;
        LONG result = RegOpenKeyEx(HKEY_CURRENT_USER, path, KEY_READ, &key);
        if (result == ERROR_SUCCESS) RegCloseKey(key);
        return result;
    }

    coretest::TempFolder config_;
    coretest::ScopedEnv configHome_{"XDG_CONFIG_HOME", config_.Path()};
};

const char* const kStoreWithEveryType =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software]\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Velmo Co.,Ltd.]\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Velmo Co.,Ltd.\\Kiv Downloader]\r\n"
    "\"TemporaryFilesPath\"=\"Z:\\\\tmp\\\\Velmo Co.,Ltd.\\\\Kiv Downloader\"\r\n"
    "\"DownloadedFilesPath\"=hex:06,00,aa,bb,cc,dd,00,00\r\n"
    "\"Expand\"=hex(2):25,54,45,4d,50,25,00\r\n"
    "\"NoZero\"=hex(1):61,62,63\r\n"
    "\"Count\"=dword:12345678\r\n"
    "\"Big\"=hex(b):ff,00,00,00,00,00,00,80\r\n"
    "\"Multi\"=hex(7):61,00,62,00,00\r\n"
    "@=\"dflt\"\r\n"
    "\r\n";

struct TypedValue {
    const char* name;
    DWORD type;
    std::string data;
};

std::vector<TypedValue> EveryType() {
    return {
        {"TemporaryFilesPath", REG_SZ, std::string("Z:\\tmp\\Velmo Co.,Ltd.\\Kiv Downloader", 37)},
        {"DownloadedFilesPath", REG_BINARY, std::string("\x06\x00\xaa\xbb\xcc\xdd\x00\x00", 8)},
        {"Expand", REG_EXPAND_SZ, std::string("%TEMP%\0", 7)},
        {"NoZero", REG_SZ, "abc"},
        {"Count", REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
        {"Big", REG_QWORD, std::string("\xff\0\0\0\0\0\0\x80", 8)},
        {"Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {"", REG_SZ, std::string("dflt\0", 5)},
    };
}

TEST_F(RegistryTest, StoreFileHoldsEveryTypeAsTheRegistryEditorWritesIt) {
    std::string path;
    ASSERT_TRUE(GetRegistryStorePath(path));
    EXPECT_EQ(path, StorePath());
    CRegKey key = Create(kProductKey);
    for (const TypedValue& value : EveryType()) {
        EXPECT_EQ(Set(key, value.name, value.type, value.data), ERROR_SUCCESS) << value.name;
    }
    EXPECT_EQ(StoreText(), kStoreWithEveryType);
    for (const TypedValue& value : EveryType()) {
        DWORD type = 0;
        EXPECT_EQ(Get(key, value.name, &type), value.data) << value.name;
        EXPECT_EQ(type, value.type) << value.name;
    }
}

TEST_F(RegistryTest, RewritingALoadedStoreKeepsItsTextByteForByte) {
    const std::string text = std::string(kStoreWithEveryType) +
                             "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                             "; kept as it is\r\n"
                             "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,"
                             "12,13,14,15,\\\r\n"
                             "  16,17,18,19\r\n"
                             "\r\n";
    WriteStoreText(text);
    CRegKey key = Create(kProductKey);
    // Setting a value to what it holds makes the store write the whole file again.
    ASSERT_EQ(Set(key, "Count", REG_DWORD, std::string("\x78\x56\x34\x12", 4)), ERROR_SUCCESS);
    EXPECT_EQ(StoreText(), text);
    CRegKey other = Create("Software\\Other");
    EXPECT_EQ(Get(other, "Long").size(), 26u);
}

TEST_F(RegistryTest, QueriesReportTypeAndSizeAndRefuseSmallBuffers) {
    CRegKey key = Create(kProductKey);
    ASSERT_EQ(Set(key, "Blob", REG_BINARY, "0123456789"), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueEx(key.Get(), "Blob", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(size, 10u);

    BYTE small[4] = {};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(key.Get(), "Blob", &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 10u);

    BYTE large[16] = {};
    size = sizeof large;
    EXPECT_EQ(RegQueryValueEx(key.Get(), "blob", nullptr, large, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(large), size), "0123456789");

    EXPECT_EQ(RegQueryValueEx(key.Get(), "Blob", nullptr, large, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueEx(key.Get(), "Missing", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueEx(key.Get(), "", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, KeysAreCreatedWithTheirParentsAndMatchedWithoutCase) {
    EXPECT_EQ(Open("Software"), ERROR_FILE_NOT_FOUND);
    // A query creates nothing on disk.
    EXPECT_FALSE(std::filesystem::exists(StoreFolder()));

    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\A\\B", REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, &key, &disposition),
              ERROR_SUCCESS);
    CRegKey created(key);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\a\\b", REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, &key, &disposition),
              ERROR_SUCCESS);
    CRegKey opened(key);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(Open("software\\a"), ERROR_SUCCESS);
    EXPECT_EQ(Open("Software\\A\\B\\C"), ERROR_FILE_NOT_FOUND);

    // A subkey created through a handle lands below that handle's key; the
    // name keeps the case it was first created with.
    ASSERT_EQ(RegCreateKeyEx(opened.Get(), "C", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(Open("Software\\A\\B\\C"), ERROR_SUCCESS);
    EXPECT_NE(StoreText().find("[HKEY_CURRENT_USER\\Software\\A\\B\\C]"), std::string::npos);
    EXPECT_EQ(StoreText().find("SOFTWARE"), std::string::npos);
}

TEST_F(RegistryTest, DeletingAKeyTakesEverythingBelowItAndKeepsItsParent) {
    CRegKey leaf = Create("Software\\A\\B\\C");
    ASSERT_EQ(Set(leaf, "V", REG_SZ, std::string("x", 2)), ERROR_SUCCESS);
    CRegKey sibling = Create("Software\\A\\BB");
    ASSERT_EQ(Set(sibling, "W", REG_SZ, std::string("y", 2)), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\A\\B"), ERROR_SUCCESS);
    EXPECT_EQ(Open("Software\\A\\B"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open("Software\\A\\B\\C"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open("Software\\A"), ERROR_SUCCESS);
    EXPECT_EQ(Get(sibling, "W"), std::string("y", 2));
    EXPECT_EQ(StoreText().find("\"V\""), std::string::npos);

    // A handle to a deleted key fails instead of bringing the key back.
    EXPECT_EQ(Set(leaf, "V", REG_SZ, "z"), static_cast<LONG>(ERROR_KEY_DELETED));
    EXPECT_EQ(Get(leaf, "V"), "error " + std::to_string(ERROR_KEY_DELETED));
    EXPECT_EQ(Open("Software\\A\\B\\C"), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\A\\B"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, ""), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, ValuesAreReplacedInPlaceAndDeleted) {
    CRegKey key = Create("Software\\Classes\\CLSID\\{00000000-0000-0000-0000-000000000001}");
    ASSERT_EQ(Set(key, "", REG_SZ, std::string("Control", 8)), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "Second", REG_SZ, std::string("2", 2)), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "", REG_SZ, std::string("Renamed", 8)), ERROR_SUCCESS);
    std::string text = StoreText();
    EXPECT_LT(text.find("@=\"Renamed\""), text.find("\"Second\""));

    EXPECT_EQ(RegDeleteValue(key.Get(), ""), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(key.Get(), ""), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(StoreText().find("@="), std::string::npos);
    EXPECT_EQ(Get(key, "second"), std::string("2", 2));

    // Setting the value a key already has (every run remembers its folder)
    // leaves the store file as it is: no rewrite, no flush.
    struct stat before {};
    struct stat after {};
    ASSERT_EQ(::stat(StorePath().c_str(), &before), 0);
    ASSERT_EQ(Set(key, "SECOND", REG_SZ, std::string("2", 2)), ERROR_SUCCESS);
    ASSERT_EQ(::stat(StorePath().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    ASSERT_EQ(Set(key, "Second", REG_BINARY, std::string("2", 2)), ERROR_SUCCESS);
    ASSERT_EQ(::stat(StorePath().c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_NE(StoreText().find("\"Second\"=hex:32,00"), std::string::npos);
}

TEST_F(RegistryTest, HandlesAndNamesAreChecked) {
    CRegKey readOnly = Create(kProductKey, KEY_READ);
    EXPECT_EQ(Set(readOnly, "V", REG_SZ, "x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValue(readOnly.Get(), "V"), ERROR_ACCESS_DENIED);

    CRegKey key = Create(kProductKey);
    EXPECT_EQ(Set(key, "a\nb", REG_SZ, "x"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Set(key, std::string("a\0b", 3), REG_SZ, "x"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueEx(key.Get(), "V", REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    HKEY unused = nullptr;
    for (const char* badPath : {"Software\\\\A", "Software\\", "\\Software", "A\rB"}) {
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, badPath, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, &unused),
                  ERROR_INVALID_PARAMETER)
            << badPath;
    }
    EXPECT_EQ(StoreText().find("\"V\""), std::string::npos);

    HKEY closed = key.Detach();
    EXPECT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(closed), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Open(kProductKey), ERROR_SUCCESS);
}

TEST_F(RegistryTest, ShiftJisNamesAreSplitOnlyAtRealBackslashes) {
    coretest::ScopedCodePage shiftJis(CP_SHIFT_JIS);
    // 0x95 0x5C is one character whose trail byte is a backslash.
    const std::string name = "Software\\\x95\x5C";
    CRegKey key = Create(name);
    ASSERT_TRUE(key);
    EXPECT_EQ(Open(name), ERROR_SUCCESS);
    EXPECT_EQ(Open("Software\\\x95"), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(StoreText().find("[HKEY_CURRENT_USER\\Software\\\x95\x5C]\r\n"), std::string::npos);
}

// A folder in memory when the system has one: every write syncs the store,
// and this test is about lost updates, not about the disk.
class MemoryFolder {
public:
    MemoryFolder() {
        std::string pattern =
            std::filesystem::is_directory("/dev/shm")
                ? "/dev/shm/kiv-registry-XXXXXX"
                : (std::filesystem::temp_directory_path() / "kiv-registry-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~MemoryFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    MemoryFolder(const MemoryFolder&) = delete;
    MemoryFolder& operator=(const MemoryFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kWrites = 200;
    MemoryFolder memory;
    ASSERT_FALSE(memory.Path().empty());
    coretest::ScopedEnv memoryConfig("XDG_CONFIG_HOME", memory.Path());
    CRegKey key = Create(kProductKey);
    pid_t children[2] = {};
    for (int child = 0; child < 2; ++child) {
        children[child] = fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            int failures = 0;
            for (int i = 0; i < kWrites; ++i) {
                std::string name = "p" + std::to_string(child) + "-" + std::to_string(i);
                failures += Set(key, name, REG_DWORD, std::string(4, static_cast<char>(i))) != 0;
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int child = 0; child < 2; ++child) {
        for (int i = 0; i < kWrites; ++i) {
            std::string name = "p" + std::to_string(child) + "-" + std::to_string(i);
            EXPECT_EQ(Get(key, name), std::string(4, static_cast<char>(i))) << name;
        }
    }
}

TEST_F(RegistryTest, LinesThatDoNotParseSurviveWrites) {
    const std::string broken = "\"Broken\"=hex:0g";
    WriteStoreText(std::string("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\") +
                   kProductKey + "]\r\n" + broken + "\r\n\"Good\"=\"1\"\r\n\r\n");
    CRegKey key = Create(kProductKey);
    EXPECT_EQ(Get(key, "Broken"), "error 2");
    EXPECT_EQ(Get(key, "Good"), std::string("1", 2));
    ASSERT_EQ(Set(key, "Broken", REG_BINARY, "\x01"), ERROR_SUCCESS);
    std::string text = StoreText();
    EXPECT_NE(text.find(broken + "\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Broken\"=hex:01\r\n"), std::string::npos);
    EXPECT_EQ(Get(key, "Broken"), "\x01");
}

TEST_F(RegistryTest, AFileThatIsNoStoreIsKeptAsideBeforeTheFirstWrite) {
    const std::string foreign =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"A\"=\"1\"\r\n";
    WriteStoreText(foreign);
    EXPECT_EQ(Open("Software\\X"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(StoreText(), foreign);  // reads change nothing

    CRegKey key = Create(kProductKey);
    EXPECT_EQ(ReadText(StorePath() + ".bad"), foreign);
    EXPECT_TRUE(StoreText().starts_with("Windows Registry Editor Version 5.00\r\n"));

    // A second foreign file never replaces the first backup.
    WriteStoreText("second");
    EXPECT_EQ(Set(key, "V", REG_SZ, std::string("v", 2)), static_cast<LONG>(ERROR_KEY_DELETED));
    EXPECT_FALSE(std::filesystem::exists(StorePath() + ".bad.1"));
    CRegKey again = Create(kProductKey);
    EXPECT_EQ(ReadText(StorePath() + ".bad"), foreign);
    EXPECT_EQ(ReadText(StorePath() + ".bad.1"), "second");
    EXPECT_EQ(Set(again, "V", REG_SZ, std::string("v", 2)), ERROR_SUCCESS);
}

}  // namespace
