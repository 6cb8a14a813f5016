#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "platform/LastError.h"
#include "platform/ModuleFileCopy.h"
#include "platform/NativePath.h"
#include "platform/Process.h"

namespace win {

namespace {

bool ProgramPath(std::string& path) {
    std::string buffer(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        SetLastErrorFromErrno(length < 0 ? errno : ENAMETOOLONG);
        return false;
    }
    path.assign(buffer.data(), static_cast<std::size_t>(length));
    return true;
}

// The file mapped at `address`, from the kernel's list of this process's
// mappings: exact and absolute even when the loader knows a relative name.
bool MappedFilePath(const void* address, std::string& path) {
    const auto wanted = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        std::istringstream fields(line);
        std::uintptr_t start = 0;
        std::uintptr_t end = 0;
        char dash = 0;
        std::string permissions, offset, device, inode;
        fields >> std::hex >> start >> dash >> end >> permissions >> offset >> device >> inode;
        if (wanted < start || wanted >= end) continue;
        std::getline(fields >> std::ws, path);
        if (path.starts_with("/")) return true;
        break;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return false;
}

bool ModuleNativePath(HMODULE module, std::string& path) {
    if (module == nullptr) return ProgramPath(path);
    Dl_info info{};
    link_map* map = nullptr;
    if (dladdr1(module, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 ||
        info.dli_fbase != module || map == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return false;
    }
    if (map->l_name == nullptr || map->l_name[0] == '\0') return ProgramPath(path);  // the program
    if (map->l_name[0] == '/') {
        path = map->l_name;
        return true;
    }
    return MappedFilePath(module, path);
}

}  // namespace

HMODULE ModuleOfAddress(const void* address) {
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0) return nullptr;
    return static_cast<HMODULE>(info.dli_fbase);
}

DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size) {
    if (buffer == nullptr && size > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string native;
    std::string windows;
    if (!ModuleNativePath(module, native) || !FromNativePath(native, windows)) return 0;
    return detail::CopyModulePath(windows, buffer, size);
}

}  // namespace win
