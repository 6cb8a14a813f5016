#include "assistant/AssistantWorkFile.h"

#include "assistant/AssistantRecords.h"
#include "env/Locations.h"
#include "env/PathRules.h"
#include "platform/KnownFolders.h"
#include "platform/LastError.h"

namespace kivassistant {

namespace {

bool GetWorkFolder(std::string& folder) {
    if (env::IsNt6OrLater()) return env::GetLowTempFolder(folder);
    if (!win::GetKnownFolderPath(win::KnownFolder::Temp, folder)) return false;
    if (folder.empty()) {
        win::SetLastError(win::ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

}  // namespace

bool GetAssistantWorkFilePath(std::string& path) {
    std::string folder;
    if (!GetWorkFolder(folder)) return false;
    path = env::AddTrailingBackslash(folder) + kAssistantWorkFileName;
    return true;
}

}  // namespace kivassistant
