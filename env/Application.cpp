#include "env/Application.h"

#include "env/Locations.h"
#include "env/PathRules.h"
#include "platform/FileApi.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace env {
namespace {

constexpr std::string_view kVersionFileExtension = ".dat";

const std::string& LoadOnce(std::optional<std::string>& kept, unsigned id) {
    if (!kept) {
        kept = res::LoadString(id);
    }
    return *kept;
}

// The version file lives below LocalLow whenever the platform has that folder:
// the protected layout can write nowhere else, and on Linux it is the XDG state
// folder, where per-user records belong, whatever the layout. Only a platform
// without it falls back to the roaming folder, as older Windows systems did;
// the protected layout has no fallback, since it could not write there.
bool GetVersionFileBase(std::string& base) {
    if (GetLocalAppDataLowFolder(base)) {
        return true;
    }
    return !IsNt6OrLater() && GetRoamingAppDataFolder(base);
}

}  // namespace

std::string CKivDownloadControllerApp::GetCompanyName() {
    std::lock_guard lock(mutex_);
    return LoadOnce(companyName_, textid::kCompanyName);
}

std::string CKivDownloadControllerApp::GetProductName() {
    std::lock_guard lock(mutex_);
    return LoadOnce(productName_, textid::kProductName);
}

std::string CKivDownloadControllerApp::GetVersionFilePath() {
    std::lock_guard lock(mutex_);
    if (versionFilePath_.empty()) {
        return ComputeVersionFilePath();
    }
    return versionFilePath_;
}

// Called with the lock held.
std::string CKivDownloadControllerApp::ComputeVersionFilePath() {
    std::string base;
    if (!GetVersionFileBase(base)) {
        return {};
    }
    const std::string& company = LoadOnce(companyName_, textid::kCompanyName);
    const std::string& product = LoadOnce(productName_, textid::kProductName);
    std::string path = AddTrailingBackslash(base) + company + '\\' + product + '\\' + product +
                       std::string(kVersionFileExtension);
    // Kept only once its folders exist, so a failed creation is tried again
    // on the next request instead of handing out a path that cannot be opened.
    if (win::MakeSureDirectoryPathExists(path)) {
        versionFilePath_ = path;
    }
    return path;
}

void CKivDownloadControllerApp::ResetForTests() {
    std::lock_guard lock(mutex_);
    companyName_.reset();
    productName_.reset();
    versionFilePath_.clear();
}

CKivDownloadControllerApp& TheApp() {
    static CKivDownloadControllerApp app;
    return app;
}

std::string GetCompanyName() {
    return TheApp().GetCompanyName();
}
std::string GetProductName() {
    return TheApp().GetProductName();
}
std::string GetVersionFilePath() {
    return TheApp().GetVersionFilePath();
}

}  // namespace env
