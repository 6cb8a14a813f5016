#include "host/ModuleLocation.h"

#include <limits.h>
#include <unistd.h>

#include <filesystem>

#include "control/ControlIds.h"
#include "host/RegistrationTool.h"
#include "platform/RegKey.h"
#include "platform/Registry.h"

std::string DefaultModulePath() {
    char program[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length <= 0) return {};
    const std::string path(program, static_cast<std::size_t>(length));
    const std::string programFolder = path.substr(0, path.find_last_of('/') + 1);
    // A build tree keeps the module beside the program; an installed tree
    // keeps it in PREFIX/lib/kiv-downloader/, found from PREFIX/bin/ so the
    // tree can be moved as a whole.
    const std::string beside = programFolder + kModuleFileName;
    const std::string installed =
        programFolder + "../" + kInstalledModuleFolder + "/" + kModuleFileName;
    if (access(beside.c_str(), F_OK) != 0 && access(installed.c_str(), F_OK) == 0) {
        return std::filesystem::path(installed).lexically_normal().string();
    }
    return beside;
}

bool FindRegisteredModule(std::string& path) {
    const std::string keyPath =
        std::string("Software\\Classes\\CLSID\\") + kControlClassId + "\\InprocServer32";
    win::HKEY opened = nullptr;
    if (win::RegOpenKeyEx(win::HKEY_CURRENT_USER, keyPath, win::KEY_READ, &opened) != 0) {
        return false;
    }
    win::CRegKey key(opened);
    win::DWORD type = 0;
    win::DWORD size = 0;
    if (win::RegQueryValueEx(key.Get(), "", &type, nullptr, &size) != 0 ||
        (type != win::REG_SZ && type != win::REG_EXPAND_SZ)) {
        return false;
    }
    std::string value(size, '\0');
    if (win::RegQueryValueEx(key.Get(), "", &type, reinterpret_cast<win::BYTE*>(value.data()),
                             &size) != 0) {
        return false;
    }
    value.resize(std::min<std::size_t>(size, value.find('\0')));
    if (value.empty()) return false;
    path = value;
    return true;
}

std::unique_ptr<CControlModule> OpenControlModule(const std::string& fallbackModule,
                                                  std::ostream& notes, std::string& error) {
    std::string path;
    if (!FindRegisteredModule(path)) {
        if (!RegisterModule(fallbackModule, error)) return nullptr;
        notes << "kiv-downloader: the control was not registered; registered " << fallbackModule
              << "\n";
        if (!FindRegisteredModule(path)) {
            error = "the control is still not registered after registering " + fallbackModule;
            return nullptr;
        }
    }
    return CControlModule::Load(path, error);
}
