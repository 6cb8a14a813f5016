#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "FileTestSupport.h"
#include "platform/LastError.h"
#include "platform/Process.h"

namespace {

int FunctionOfThisProgram() {
    return 1;
}

std::string ProgramWindowsPath() {
    return filetest::WindowsPath(std::filesystem::read_symlink("/proc/self/exe").string());
}

std::string ModulePath(win::HMODULE module) {
    char buffer[win::MAX_PATH * 4] = {};
    const win::DWORD length = win::GetModuleFileNameA(module, buffer, sizeof buffer);
    return std::string(buffer, length);
}

TEST(ModuleFileTest, ProgramPathComesInWindowsForm) {
    const win::HMODULE program =
        win::ModuleOfAddress(reinterpret_cast<const void*>(&FunctionOfThisProgram));
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(ModulePath(program), ProgramWindowsPath());
    EXPECT_EQ(ModulePath(nullptr), ProgramWindowsPath());
}

TEST(ModuleFileTest, SharedLibraryIsItsOwnModule) {
    void* symbol = dlsym(RTLD_DEFAULT, "dladdr");
    ASSERT_NE(symbol, nullptr);
    const win::HMODULE library = win::ModuleOfAddress(symbol);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(library, win::ModuleOfAddress(reinterpret_cast<const void*>(&FunctionOfThisProgram)));
    const std::string path = ModulePath(library);
    ASSERT_TRUE(path.starts_with("Z:\\")) << path;
    EXPECT_NE(path.find("libc.so"), std::string::npos) << path;
    EXPECT_TRUE(std::filesystem::exists(filetest::NativePath(path))) << path;
}

TEST(ModuleFileTest, CutBufferHoldsWhatFitsAndAZero) {
    const std::string full = ProgramWindowsPath();
    const auto size = static_cast<win::DWORD>(full.size());
    std::string buffer(full.size() + 8, 'x');
    win::SetLastError(0);
    EXPECT_EQ(win::GetModuleFileNameA(nullptr, buffer.data(), size), size);
    EXPECT_EQ(win::GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(buffer.c_str()), full.substr(0, full.size() - 1));
    EXPECT_EQ(buffer[size], 'x');  // nothing written past the buffer

    EXPECT_EQ(win::GetModuleFileNameA(nullptr, buffer.data(), size + 1), size);
    EXPECT_EQ(std::string(buffer.c_str()), full);
    EXPECT_EQ(win::GetModuleFileNameA(nullptr, buffer.data(), 0), 0u);
    EXPECT_EQ(win::GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
}

TEST(ModuleFileTest, AddressesOutsideModulesAreRefused) {
    int onStack = 0;
    EXPECT_EQ(win::ModuleOfAddress(&onStack), nullptr);
    const auto* inside = reinterpret_cast<const char*>(win::ModuleOfAddress(
                             reinterpret_cast<const void*>(&FunctionOfThisProgram))) +
                         16;
    char buffer[win::MAX_PATH];
    EXPECT_EQ(win::GetModuleFileNameA(reinterpret_cast<win::HMODULE>(const_cast<char*>(inside)),
                                      buffer, sizeof buffer),
              0u);
    EXPECT_EQ(win::GetLastError(), win::ERROR_MOD_NOT_FOUND);
}

TEST(ModuleFileTest, LongPathResolvesLinksInPlace) {
    filetest::TempFolder folder;
    ASSERT_EQ(mkdir(folder.Native("real folder").c_str(), 0700), 0);
    ASSERT_EQ(symlink(folder.Native("real folder").c_str(), folder.Native("link").c_str()), 0);
    { std::ofstream(folder.Native("real folder/kiv.so")) << "x"; }
    const std::string resolvedFolder =
        filetest::WindowsPath(std::filesystem::canonical(folder.Native("real folder")).string());
    const std::string expected = resolvedFolder + "\\kiv.so";

    char buffer[win::MAX_PATH] = {};
    std::snprintf(buffer, sizeof buffer, "%s", folder.Windows("link\\kiv.so").c_str());
    EXPECT_EQ(win::GetLongPathNameA(buffer, buffer, sizeof buffer), expected.size());
    EXPECT_EQ(std::string(buffer), expected);

    // Too small: the size needed, terminator included, and the buffer left alone.
    char small[8] = "keep";
    EXPECT_EQ(win::GetLongPathNameA(expected.c_str(), small, sizeof small), expected.size() + 1);
    EXPECT_STREQ(small, "keep");
    EXPECT_EQ(win::GetLongPathNameA(folder.Windows("link\\").c_str(), buffer, sizeof buffer),
              resolvedFolder.size() + 1);
    EXPECT_EQ(std::string(buffer), resolvedFolder + "\\");
}

TEST(ModuleFileTest, LongPathOfMissingOrForeignPathFails) {
    filetest::TempFolder folder;
    char buffer[win::MAX_PATH];
    EXPECT_EQ(win::GetLongPathNameA(folder.Windows("missing.so").c_str(), buffer, sizeof buffer),
              0u);
    EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(win::GetLongPathNameA("C:\\Windows", buffer, sizeof buffer), 0u);
    EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
}

}  // namespace
