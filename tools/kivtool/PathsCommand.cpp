// paths: where the product keeps its files, in Windows form and native form.
#include <cstdio>

#include "env/Application.h"
#include "env/Locations.h"
#include "platform/NativePath.h"
#include "platform/RegistryStore.h"
#include "tools/kivtool/Command.h"

namespace kivtool {
namespace {

void PrintLine(const char* label, const std::string& windowsPath, const std::string& nativePath) {
    std::printf("%s\t%s\t%s\n", label, windowsPath.empty() ? "-" : windowsPath.c_str(),
                nativePath.empty() ? "-" : nativePath.c_str());
}

void PrintWindowsPath(const char* label, const std::string& windowsPath) {
    std::string nativePath;
    if (!windowsPath.empty()) win::ToNativePath(windowsPath, nativePath);
    PrintLine(label, windowsPath, nativePath);
}

}  // namespace

int RunPaths(const Args& args) {
    if (!args.empty()) return Usage("paths takes no arguments");
    PrintWindowsPath("version-file", env::GetVersionFilePath());

    std::string lowTemp;
    env::GetLowTempFolder(lowTemp);
    PrintWindowsPath("low-temp-folder", lowTemp);

    std::string storeNative;
    std::string storeWindows;
    if (win::registry::GetStoreFilePath(storeNative))
        win::FromNativePath(storeNative, storeWindows);
    PrintLine("settings-store", storeWindows, storeNative);
    return kSuccess;
}

}  // namespace kivtool
