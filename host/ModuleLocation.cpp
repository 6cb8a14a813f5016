#include "host/ModuleLocation.h"

#include <filesystem>

#include "control/ControlIds.h"
#include "env/InstalledFiles.h"
#include "host/HostText.h"
#include "host/RegistrationTool.h"
#include "platform/RegKey.h"
#include "platform/Registry.h"

namespace {

namespace fs = std::filesystem;

// The value beside the registration that holds the module --register named.
constexpr const char* kExplicitValue = "KivRegisteredOnCommandLine";

std::string InprocServerKey() {
    return std::string("Software\\Classes\\CLSID\\") + kControlClassId + "\\InprocServer32";
}

bool ReadString(win::HKEY key, const char* valueName, std::string& text) {
    win::DWORD type = 0;
    win::DWORD size = 0;
    if (win::RegQueryValueEx(key, valueName, &type, nullptr, &size) != 0 ||
        (type != win::REG_SZ && type != win::REG_EXPAND_SZ)) {
        return false;
    }
    std::string value(size, '\0');
    if (win::RegQueryValueEx(key, valueName, &type, reinterpret_cast<win::BYTE*>(value.data()),
                             &size) != 0) {
        return false;
    }
    value.resize(std::min<std::size_t>(size, value.find('\0')));
    text = value;
    return !value.empty();
}

bool ReadRegistrationValue(const char* valueName, std::string& text) {
    win::HKEY opened = nullptr;
    if (win::RegOpenKeyEx(win::HKEY_CURRENT_USER, InprocServerKey(), win::KEY_READ, &opened) != 0) {
        return false;
    }
    const win::CRegKey key(opened);
    return ReadString(key.Get(), valueName, text);
}

std::string Canonical(const std::string& path) {
    std::error_code ignored;
    return fs::weakly_canonical(path, ignored).string();
}

bool IsRegularFile(const std::string& path) {
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

bool IsInInstallFolder(const std::string& path, const std::string& defaultModule) {
    const std::string folder = fs::path(Canonical(path)).parent_path().string();
    for (const std::string& installFolder : ModuleInstallFolders(defaultModule)) {
        if (folder == installFolder) return true;
    }
    return false;
}

bool IsExplicitlyRegistered(const std::string& path) {
    std::string chosen;
    return ReadRegistrationValue(kExplicitValue, chosen) && chosen == path;
}

// Why a registered module is not loaded; empty when it is.
std::string Refusal(const std::string& path, const std::string& defaultModule) {
    if (path.empty() || path.front() != '/') return "is not an absolute path";
    if (!IsRegularFile(path)) return "is missing";
    if (IsInInstallFolder(path, defaultModule) || IsExplicitlyRegistered(path)) return {};
    return "lies outside the program's folders";
}

}  // namespace

std::string DefaultModulePath() {
    return env::InstalledFilePath(kModuleFileName);
}

std::vector<std::string> ModuleInstallFolders(const std::string& defaultModule) {
    if (defaultModule.empty()) return {};
    const fs::path moduleFolder = fs::path(Canonical(defaultModule)).parent_path();
    // The default module lies in PREFIX/bin (beside the program) or, installed,
    // in PREFIX/lib/kiv-downloader itself.
    const bool installed = moduleFolder.filename() == "kiv-downloader" &&
                           moduleFolder.parent_path().filename() == "lib";
    const fs::path prefix =
        installed ? moduleFolder.parent_path().parent_path() : moduleFolder.parent_path();
    return {moduleFolder.string(), Canonical((prefix / env::kInstalledFilesFolder).string())};
}

bool FindRegisteredModule(std::string& path) {
    return ReadRegistrationValue("", path);
}

bool MarkRegisteredModuleExplicit() {
    std::string path;
    if (!FindRegisteredModule(path)) return false;
    win::HKEY opened = nullptr;
    if (win::RegOpenKeyEx(win::HKEY_CURRENT_USER, InprocServerKey(), win::KEY_ALL_ACCESS,
                          &opened) != 0) {
        return false;
    }
    const win::CRegKey key(opened);
    return win::RegSetValueEx(key.Get(), kExplicitValue, win::REG_SZ,
                              reinterpret_cast<const win::BYTE*>(path.c_str()),
                              static_cast<win::DWORD>(path.size() + 1)) == 0;
}

std::unique_ptr<CControlModule> OpenControlModule(const std::string& fallbackModule,
                                                  std::ostream& warnings, std::ostream& notes,
                                                  std::string& error) {
    std::string path;
    const bool registered = FindRegisteredModule(path);
    const std::string refusal = registered ? Refusal(path, fallbackModule) : std::string();
    if (registered && refusal.empty()) return CControlModule::Load(path, error);
    if (!RegisterModule(fallbackModule, error)) return nullptr;
    if (registered) {
        warnings << "kiv-downloader: the registered control module " << path << " " << refusal
                 << "; registered " << fallbackModule << " instead\n";
    } else {
        notes << "kiv-downloader: the control was not registered; registered " << fallbackModule
              << "\n";
    }
    if (!FindRegisteredModule(path)) {
        error = HostText(textid::kStillNotRegistered, {fallbackModule});
        return nullptr;
    }
    return CControlModule::Load(path, error);
}
