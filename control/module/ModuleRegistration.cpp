#include "control/module/ModuleRegistration.h"

#include "control/module/RegistrationEntries.h"
#include "platform/RegKey.h"
#include "platform/Registry.h"

namespace {

bool Failed(win::LONG result) {
    return static_cast<win::DWORD>(result) != win::ERROR_SUCCESS;
}

bool WriteEntry(const RegistryEntry& entry) {
    win::HKEY opened = nullptr;
    const std::string path = std::string(kClassesRoot) + "\\" + entry.key;
    if (Failed(win::RegCreateKeyEx(win::HKEY_CURRENT_USER, path, win::REG_OPTION_NON_VOLATILE,
                                   win::KEY_WRITE, &opened))) {
        return false;
    }
    win::CRegKey key(opened);
    if (!entry.hasValue) return true;
    // REG_SZ with its terminating zero, as Windows stores it.
    const auto* bytes = reinterpret_cast<const win::BYTE*>(entry.data.c_str());
    const auto size = static_cast<win::DWORD>(entry.data.size() + 1);
    return !Failed(win::RegSetValueEx(key.Get(), entry.valueName, win::REG_SZ, bytes, size));
}

bool DeleteRoots(const RegistrationSet& set) {
    bool removed = true;
    for (const std::string& root : set.roots) {
        const std::string path = std::string(kClassesRoot) + "\\" + root;
        const auto result =
            static_cast<win::DWORD>(win::RegDeleteKey(win::HKEY_CURRENT_USER, path));
        if (result != win::ERROR_SUCCESS && result != win::ERROR_FILE_NOT_FOUND) removed = false;
    }
    return removed;
}

bool WriteSet(const RegistrationSet& set) {
    for (const RegistryEntry& entry : set.entries) {
        if (!WriteEntry(entry)) {
            DeleteRoots(set);
            return false;
        }
    }
    return true;
}

}  // namespace

bool RegisterTypeLibrary(const std::string& modulePath) {
    return !modulePath.empty() && WriteSet(TypeLibraryRegistration(modulePath));
}

bool RegisterClasses(const std::string& modulePath) {
    return !modulePath.empty() && WriteSet(ClassRegistration(modulePath));
}

bool UnregisterTypeLibrary() {
    return DeleteRoots(TypeLibraryRegistration({}));
}

bool UnregisterClasses() {
    return DeleteRoots(ClassRegistration({}));
}
