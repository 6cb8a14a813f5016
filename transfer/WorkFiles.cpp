#include "transfer/WorkFiles.h"

#include "env/Application.h"
#include "env/Locations.h"
#include "env/PathRules.h"
#include "env/Settings.h"
#include "platform/CodePage.h"
#include "platform/FileApi.h"
#include "platform/LastError.h"
#include "platform/WinTypes.h"
#include "transfer/VersionFile.h"

namespace {

// The text after the last backslash, as PathFindFileName gives it; the walk
// goes by characters so a Shift-JIS trail byte is never taken for one.
std::string LastComponent(const std::string& name) {
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < name.size(); pos = win::CharNext(name, pos)) {
        if (name[pos] == '\\') {
            start = pos + 1;
        }
    }
    return name.substr(start);
}

// The temporary file of an earlier run of this download, when it is still there.
bool RecordedTemporaryPath(const std::string& url, std::string& path) {
    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    std::string recorded;
    if (!versionFile.GetPath(url, recorded)) {
        return false;
    }
    if (!env::IsValidFullPath(recorded) || !win::FileExists(recorded)) {
        return false;
    }
    path = recorded;
    return true;
}

bool TemporaryFolder(std::string& folder) {
    const std::string company = env::GetCompanyName();
    const std::string product = env::GetProductName();
    std::string setting;
    if (env::ReadSettingString(company, product, env::kTemporaryFilesPath, setting) &&
        !setting.empty()) {
        folder = setting;
        return true;
    }
    std::string lowTemp;
    if (!env::GetLowTempFolder(lowTemp)) {
        return false;
    }
    folder = env::RemoveTrailingBackslashes(lowTemp) + '\\' + company + '\\' + product;
    // Later runs take the folder from the setting, so the user may move it there.
    env::WriteSettingString(company, product, env::kTemporaryFilesPath, folder);
    return true;
}

}  // namespace

bool TemporaryPath(const std::string& url, const std::string& name, std::string& path) {
    if (RecordedTemporaryPath(url, path)) {
        return true;
    }
    std::string folder;
    if (!TemporaryFolder(folder)) {
        return false;
    }
    path = env::AddTrailingBackslash(folder) + LastComponent(name);
    return true;
}

std::string FinalPathOfItem(IDownloadControl& control, const CONTENTDATA& item) {
    const std::string& folder = control.DestinationFolder();
    return folder.empty() ? item.name : env::AddTrailingBackslash(folder) + item.name;
}

bool LocalPathOfItem(IDownloadControl& control, const CONTENTDATA& item, std::string& path) {
    if (control.Assistant() == nullptr) {
        path = FinalPathOfItem(control, item);
        return true;
    }
    std::string temporary;
    if (!TemporaryPath(item.url, item.name, temporary) ||
        !win::MakeSureDirectoryPathExists(temporary)) {
        control.Error().Set(101, win::GetLastError());
        return false;
    }
    path = temporary;
    return true;
}
