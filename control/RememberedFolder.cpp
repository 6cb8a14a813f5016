#include "control/RememberedFolder.h"

#include <vector>

#include "env/Application.h"
#include "env/Settings.h"

namespace kivcontrol {

KIVTOOLCommon::CItemIDList ReadRememberedFolder() {
    const std::string company = env::GetCompanyName();
    const std::string product = env::GetProductName();
    win::DWORD size = 0;
    KIVTOOLCommon::CItemIDList folder;
    if (!env::ReadSettingBinary(company, product, env::kDownloadedFilesPath, nullptr, size) ||
        size == 0) {
        return folder;
    }
    std::vector<win::BYTE> bytes(size);
    if (env::ReadSettingBinary(company, product, env::kDownloadedFilesPath, bytes.data(), size)) {
        folder.Assign(bytes.data(), size);
    }
    return folder;
}

bool RememberFolder(const KIVTOOLCommon::CItemIDList& folder) {
    if (folder.IsEmpty()) return false;
    return env::WriteSettingBinary(env::GetCompanyName(), env::GetProductName(),
                                   env::kDownloadedFilesPath, folder.GetList(),
                                   static_cast<win::DWORD>(folder.GetSize()));
}

}  // namespace kivcontrol
