#include "platform/Registry.h"

#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/RegistryStore.h"

namespace win {

struct HKEY__ {
    registry::KeyPath path;
    REGSAM access = 0;
};

namespace {

using registry::CRegistryHive;
using registry::KeyPath;

HKEY__ currentUserRoot{{"HKEY_CURRENT_USER"}, KEY_ALL_ACCESS};

// Handles handed out and not yet closed, so a stale or foreign handle gives
// ERROR_INVALID_HANDLE instead of touching freed memory.
std::mutex handlesMutex;
std::unordered_set<HKEY> openHandles;

struct KeyInfo {
    KeyPath path;
    REGSAM access = 0;
};

bool Resolve(HKEY key, KeyInfo& info) {
    if (key == HKEY_CURRENT_USER) {
        info = {currentUserRoot.path, currentUserRoot.access};
        return true;
    }
    std::lock_guard lock(handlesMutex);
    if (!openHandles.contains(key)) return false;
    info = {key->path, key->access};
    return true;
}

HKEY NewHandle(KeyPath path, REGSAM access) {
    HKEY key = new HKEY__{std::move(path), access};
    std::lock_guard lock(handlesMutex);
    openHandles.insert(key);
    return key;
}

// The parent's path followed by the components of `subKey`.
DWORD ResolveSubKey(HKEY parent, std::string_view subKey, KeyInfo& parentInfo, KeyPath& full) {
    if (!Resolve(parent, parentInfo)) return ERROR_INVALID_HANDLE;
    KeyPath components;
    if (!registry::SplitKeyPath(subKey, components)) return ERROR_INVALID_PARAMETER;
    full = parentInfo.path;
    full.insert(full.end(), components.begin(), components.end());
    return ERROR_SUCCESS;
}

}  // namespace

const HKEY HKEY_CURRENT_USER = &currentUserRoot;

LONG RegCreateKeyEx(HKEY parent, std::string_view subKey, DWORD options, REGSAM access,
                    HKEY* result, DWORD* disposition) {
    if (!result || options != REG_OPTION_NON_VOLATILE) return ERROR_INVALID_PARAMETER;
    KeyInfo parentInfo;
    KeyPath full;
    DWORD error = ResolveSubKey(parent, subKey, parentInfo, full);
    if (error != ERROR_SUCCESS) return error;
    if (!subKey.empty() && !(parentInfo.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    bool created = false;
    error = registry::UpdateStore([&](CRegistryHive& hive) -> DWORD {
        if (!hive.KeyExists(parentInfo.path)) return ERROR_KEY_DELETED;
        created = hive.CreateKey(full);
        return ERROR_SUCCESS;
    });
    if (error != ERROR_SUCCESS) return error;
    *result = NewHandle(std::move(full), access);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegOpenKeyEx(HKEY parent, std::string_view subKey, REGSAM access, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    KeyInfo parentInfo;
    KeyPath full;
    DWORD error = ResolveSubKey(parent, subKey, parentInfo, full);
    if (error != ERROR_SUCCESS) return error;
    error = registry::ReadStore([&](const CRegistryHive& hive) -> DWORD {
        if (!hive.KeyExists(parentInfo.path)) return ERROR_KEY_DELETED;
        return hive.KeyExists(full) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    if (error != ERROR_SUCCESS) return error;
    *result = NewHandle(std::move(full), access);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    {
        std::lock_guard lock(handlesMutex);
        if (openHandles.erase(key) == 0) return ERROR_INVALID_HANDLE;
    }
    delete key;
    return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, std::string_view valueName, DWORD* type, BYTE* data, DWORD* size) {
    KeyInfo info;
    if (!Resolve(key, info)) return ERROR_INVALID_HANDLE;
    if (data && !size) return ERROR_INVALID_PARAMETER;
    if (!(info.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    return registry::ReadStore([&](const CRegistryHive& hive) -> DWORD {
        if (!hive.KeyExists(info.path)) return ERROR_KEY_DELETED;
        const registry::Value* value = hive.FindValue(info.path, valueName);
        if (!value) return ERROR_FILE_NOT_FOUND;
        if (type) *type = value->type;
        if (!size) return ERROR_SUCCESS;
        DWORD needed = static_cast<DWORD>(value->data.size());
        DWORD room = *size;
        *size = needed;
        if (!data) return ERROR_SUCCESS;
        if (room < needed) return ERROR_MORE_DATA;
        std::memcpy(data, value->data.data(), needed);
        return ERROR_SUCCESS;
    });
}

LONG RegSetValueEx(HKEY key, std::string_view valueName, DWORD type, const BYTE* data, DWORD size) {
    KeyInfo info;
    if (!Resolve(key, info)) return ERROR_INVALID_HANDLE;
    if ((!data && size > 0) || !registry::IsStorableName(valueName)) {
        return ERROR_INVALID_PARAMETER;
    }
    if (!(info.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    registry::Value value{std::string(valueName), type, std::string()};
    if (data) value.data.assign(reinterpret_cast<const char*>(data), size);
    return registry::UpdateStore([&](CRegistryHive& hive) -> DWORD {
        if (!hive.KeyExists(info.path)) return ERROR_KEY_DELETED;
        hive.SetValue(info.path, std::move(value));
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValue(HKEY key, std::string_view valueName) {
    KeyInfo info;
    if (!Resolve(key, info)) return ERROR_INVALID_HANDLE;
    if (!(info.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    return registry::UpdateStore([&](CRegistryHive& hive) -> DWORD {
        if (!hive.KeyExists(info.path)) return ERROR_KEY_DELETED;
        return hive.DeleteValue(info.path, valueName) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegDeleteKey(HKEY parent, std::string_view subKey) {
    KeyInfo parentInfo;
    KeyPath full;
    DWORD error = ResolveSubKey(parent, subKey, parentInfo, full);
    if (error != ERROR_SUCCESS) return error;
    if (subKey.empty()) return ERROR_INVALID_PARAMETER;
    return registry::UpdateStore([&](CRegistryHive& hive) -> DWORD {
        if (!hive.KeyExists(parentInfo.path)) return ERROR_KEY_DELETED;
        if (!hive.KeyExists(full)) return ERROR_FILE_NOT_FOUND;
        hive.DeleteKey(full);
        return ERROR_SUCCESS;
    });
}

bool GetRegistryStorePath(std::string& nativePath) {
    return registry::GetStoreFilePath(nativePath);
}

void UseLowIntegrityStore() {
    registry::UseLowStoreOnThisThread();
}

bool IsUsingLowIntegrityStore() {
    return registry::ThisThreadUsesLowStore();
}

bool GetLowIntegrityStorePath(std::string& nativePath) {
    return registry::GetLowStoreFilePath(nativePath);
}

}  // namespace win
