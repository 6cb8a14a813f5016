#include "control/WorkerConfinement.h"

#include "env/Application.h"
#include "env/Locations.h"
#include "env/PathRules.h"
#include "platform/FileApi.h"
#include "platform/KnownFolders.h"
#include "platform/Landlock.h"
#include "platform/LastError.h"
#include "platform/NamedMutex.h"
#include "platform/NativePath.h"
#include "platform/Registry.h"
#include "platform/SyscallFilter.h"
#include "transfer/VersionRow.h"

namespace kivcontrol {

namespace {

void AddNative(std::vector<std::string>& folders, const std::string& windowsFolder) {
    std::string native;
    if (!windowsFolder.empty() && win::ToNativePath(windowsFolder, native)) {
        folders.push_back(native);
    }
}

// The folder part of a path, Windows form ('\\') or native ('/').
std::string FolderOf(const std::string& path, char separator) {
    const std::string::size_type slash = path.find_last_of(separator);
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string LowStoreFolder() {
    std::string store;
    return win::GetLowIntegrityStorePath(store) ? FolderOf(store, '/') : std::string();
}

}  // namespace

std::vector<std::string> WorkerWritableFolders() {
    std::vector<std::string> folders;
    std::string lowTemp;
    if (env::GetLowTempFolder(lowTemp)) AddNative(folders, env::RemoveTrailingBackslashes(lowTemp));
    AddNative(folders, FolderOf(env::GetVersionFilePath(), '\\'));
    const std::string lowStore = LowStoreFolder();
    if (!lowStore.empty()) folders.push_back(lowStore);
    return folders;
}

std::vector<std::string> WorkerLockFolders() {
    std::string runtime;
    if (win::GetKnownFolderNativePath(win::KnownFolder::Runtime, runtime)) return {runtime};
    return {};
}

bool ConfineWorkerWrites() {
    win::UseLowIntegrityStore();
    // A rule needs its folder to exist; after confinement it could not be made.
    std::string lowTemp;
    if (env::GetLowTempFolder(lowTemp))
        win::MakeSureDirectoryPathExists(env::AddTrailingBackslash(lowTemp));
    const std::string lowStore = LowStoreFolder();
    std::string lowStoreWindows;
    if (!lowStore.empty() && win::FromNativePath(lowStore, lowStoreWindows))
        win::MakeSureDirectoryPathExists(env::AddTrailingBackslash(lowStoreWindows));
    // The version file's lock file is the one the worker opens itself; made
    // now, since its folder takes no new entries from the worker.
    win::CNamedMutex versionLock;
    versionLock.Create(kivtransfer::versionrow::MakeLockName(env::GetVersionFilePath()));
    win::LandlockExtras extras;
    extras.openForWritingOnly = WorkerLockFolders();
    extras.scopeAbstractSockets = true;
    const bool writesConfined =
        win::ConfineThreadWrites(WorkerWritableFolders(), extras) != win::FALSE;
    const win::DWORD landlockError = win::GetLastError();
    // Also without Landlock: terminals, other processes' memory and Unix
    // sockets stay out of reach. Signals stay, the worker may end the
    // assistant program when it deletes the control.
    const bool filtered = win::InstallWorkerSyscallFilter(false);
    if (!writesConfined) win::SetLastError(landlockError);
    return writesConfined && filtered;
}

}  // namespace kivcontrol
