#include "transfer/WorkFiles.h"

#include "env/Application.h"
#include "env/Locations.h"
#include "env/PathRules.h"
#include "env/Settings.h"
#include "platform/CodePage.h"
#include "platform/FileApi.h"
#include "platform/LastError.h"
#include "platform/WinTypes.h"
#include "transfer/ErrorCodes.h"
#include "transfer/VersionFileKey.h"
#include "transfer/VersionFile.h"

namespace kivtransfer {

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

// A row of an earlier run is trusted only for the file this run would write
// anyway: the record file can be written by the confined worker, so a row
// naming any other file (or a link, or a file that is not ours) must never
// make unconfined code hash, delete or move it. Such a row is dropped and
// the item starts over.
void DropForeignRecord(const std::string& url, const std::string& expectedPath) {
    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    std::string recorded;
    if (!versionFile.GetPath(url, recorded)) {
        return;
    }
    const bool ours = win::IsOwnPlainFile(recorded) ||
                      win::GetLastError() == win::ERROR_FILE_NOT_FOUND ||
                      win::GetLastError() == win::ERROR_PATH_NOT_FOUND;
    if (recorded == expectedPath && ours) {
        return;
    }
    versionFile.Remove(url);
    versionFile.SaveWithoutFlush();  // a row that comes back is dropped again
}

}  // namespace

bool TemporaryFolder(std::string& folder) {
    std::string lowTemp;
    if (!env::GetLowTempFolder(lowTemp)) {
        return false;
    }
    lowTemp = env::RemoveTrailingBackslashes(lowTemp);
    const std::string company = env::GetCompanyName();
    const std::string product = env::GetProductName();
    std::string setting;
    if (env::ReadSettingString(company, product, env::kTemporaryFilesPath, setting) &&
        env::IsPathWithinFolder(setting, lowTemp)) {
        folder = setting;
        return true;
    }
    folder = lowTemp + '\\' + company + '\\' + product;
    // Later runs take the folder from the setting; a value outside the low
    // temporary folder (the confined worker could have written it) is replaced.
    env::WriteSettingString(company, product, env::kTemporaryFilesPath, folder);
    return true;
}

bool TemporaryPath(const std::string& url, const std::string& name, std::string& path) {
    std::string folder;
    if (!TemporaryFolder(folder)) {
        return false;
    }
    path = env::AddTrailingBackslash(folder) + LastComponent(name);
    DropForeignRecord(url, path);
    return true;
}

std::string FinalPathOfItem(const IRunSettings& control, const CONTENTDATA& item) {
    const std::string& folder = control.DestinationFolder();
    return folder.empty() ? item.name : env::AddTrailingBackslash(folder) + item.name;
}

std::string PartFileName(const std::string& name) {
    return '.' + name + ".kivpart";
}

std::string PartPathOfItem(const IRunSettings& control, const CONTENTDATA& item) {
    const std::string& folder = control.DestinationFolder();
    const std::string part = PartFileName(item.name);
    return folder.empty() ? part : env::AddTrailingBackslash(folder) + part;
}

std::string VersionFileKey(const IRunSettings& control, const CONTENTDATA& item) {
    if (control.HasAssistant()) return item.url;
    // A part file's row goes under the name the file will have.
    return item.localPath == PartPathOfItem(control, item) ? FinalPathOfItem(control, item)
                                                           : item.localPath;
}

bool LocalPathOfItem(IDownloadControl& control, const CONTENTDATA& item, std::string& path) {
    if (!control.HasAssistant()) {
        path = PartPathOfItem(control, item);
        return true;
    }
    std::string temporary;
    if (!TemporaryPath(item.url, item.name, temporary) ||
        !win::MakeSureDirectoryPathExists(temporary)) {
        control.Error().Set(errcode::kWorkFileNotCreated, win::GetLastError());
        return false;
    }
    path = temporary;
    return true;
}

bool IsWorkFileOfItem(const IRunSettings& control, const CONTENTDATA& item) {
    if (item.localPath == FinalPathOfItem(control, item) ||
        item.localPath == PartPathOfItem(control, item)) {
        return true;
    }
    std::string lowTemp;
    return env::GetLowTempFolder(lowTemp) && env::IsPathWithinFolder(item.localPath, lowTemp);
}

}  // namespace kivtransfer
