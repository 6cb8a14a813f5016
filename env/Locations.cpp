#include "env/Locations.h"

#include <atomic>

#include "env/PathRules.h"
#include "platform/FileApi.h"
#include "platform/FolderProbe.h"
#include "platform/KnownFolders.h"
#include "platform/LastError.h"
#include "platform/ProcessSettings.h"
#include "platform/SystemErrorText.h"

namespace env {
namespace {

enum PlatformTest : int { kNotComputed, kOlder, kNt6OrLater };

// Written once, normally on the window thread before the worker starts; the
// atomic keeps a late first call from another thread well defined.
std::atomic<int> platformTest{kNotComputed};

constexpr std::string_view kLowTempSuffix = "\\Temp\\Low";

bool GetKnownFolder(win::KnownFolder which, std::string& folder) {
    std::string path;
    if (!win::GetKnownFolderPath(which, path)) {
        return false;
    }
    folder = std::move(path);
    return true;
}

}  // namespace

bool IsNt6OrLater() {
    int known = platformTest.load();
    if (known == kNotComputed) {
        known = win::IsProtectedLayout() ? kNt6OrLater : kOlder;
        platformTest.store(known);
    }
    return known == kNt6OrLater;
}

void ResetPlatformTestForTests() {
    platformTest.store(kNotComputed);
}

bool GetLowTempFolder(std::string& folder) {
    std::string base;
    if (!GetKnownFolder(win::KnownFolder::LocalAppData, base)) {
        return false;
    }
    folder = RemoveTrailingBackslashes(base) + std::string(kLowTempSuffix);
    return true;
}

bool GetLocalAppDataLowFolder(std::string& folder) {
    return GetKnownFolder(win::KnownFolder::LocalAppDataLow, folder);
}

bool GetRoamingAppDataFolder(std::string& folder) {
    return GetKnownFolder(win::KnownFolder::RoamingAppData, folder);
}

bool IsWritableFolder(std::string_view folder) {
    if (folder.empty() || win::GetFileAttributes(folder) == win::INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    return win::CanCreateFileIn(folder);
}

bool GetFirstDownloadFolder(std::string& folder) {
    std::string home;
    if (!GetKnownFolder(win::KnownFolder::Home, home)) {
        return false;
    }
    std::string xdgDownloads;
    GetKnownFolder(win::KnownFolder::Downloads, xdgDownloads);
    for (const std::string& candidate : {xdgDownloads, home + "\\Downloads"}) {
        if (IsWritableFolder(candidate)) {
            folder = candidate;
            return true;
        }
    }
    folder = std::move(home);
    return true;
}

bool HasFreeSpace(std::string_view folder, std::uint64_t requiredBytes) {
    std::uint64_t available = 0;
    if (!win::GetDiskFreeSpaceEx(folder, available)) {
        available = 0;  // the failed query's own error stays the last error
    } else if (available < requiredBytes) {
        // The caller reports the shortage with the last error: make it say
        // "disk full" rather than whatever an earlier call left behind.
        win::SetLastError(win::ERROR_DISK_FULL);
    }
    return available >= requiredBytes;
}

std::string GetSystemErrorText(win::DWORD code) {
    return win::FormatSystemMessage(code);
}

}  // namespace env
