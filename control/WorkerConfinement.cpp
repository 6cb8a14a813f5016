#include "control/WorkerConfinement.h"

#include "env/Application.h"
#include "env/Locations.h"
#include "env/PathRules.h"
#include "env/Settings.h"
#include "platform/FileApi.h"
#include "platform/KnownFolders.h"
#include "platform/Landlock.h"
#include "platform/NativePath.h"
#include "platform/Registry.h"

namespace {

void AddNative(std::vector<std::string>& folders, const std::string& windowsFolder) {
    std::string native;
    if (!windowsFolder.empty() && win::ToNativePath(windowsFolder, native)) {
        folders.push_back(native);
    }
}

// The folder part of a Windows-form file path.
std::string FolderOf(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::vector<std::string> WorkerWritableFolders() {
    std::vector<std::string> folders;
    std::string lowTemp;
    if (env::GetLowTempFolder(lowTemp)) AddNative(folders, env::RemoveTrailingBackslashes(lowTemp));
    std::string moved;
    if (env::ReadSettingString(env::GetCompanyName(), env::GetProductName(),
                               env::kTemporaryFilesPath, moved)) {
        AddNative(folders, env::RemoveTrailingBackslashes(moved));
    }
    AddNative(folders, FolderOf(env::GetVersionFilePath()));
    // The settings store stands for the browser's writable registry key,
    // which a protected-mode control may write (its temporary-files folder).
    std::string store;
    if (win::GetRegistryStorePath(store)) {
        const std::string::size_type slash = store.find_last_of('/');
        if (slash != std::string::npos && slash > 0) folders.push_back(store.substr(0, slash));
    }
    std::string runtime;
    if (win::GetKnownFolderNativePath(win::KnownFolder::Runtime, runtime)) {
        folders.push_back(runtime);
    }
    return folders;
}

bool ConfineWorkerWrites() {
    // A rule needs its folder to exist; after confinement it could not be made.
    std::string lowTemp;
    if (env::GetLowTempFolder(lowTemp))
        win::MakeSureDirectoryPathExists(env::AddTrailingBackslash(lowTemp));
    return win::ConfineThreadWrites(WorkerWritableFolders()) != win::FALSE;
}
