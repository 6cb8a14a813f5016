#include "transfer/ItemRecords.h"

#include <string>

#include "env/Application.h"
#include "platform/FileApi.h"
#include "transfer/VersionFileKey.h"

namespace {

// From this many bytes of body on, the row written before them is flushed.
constexpr std::uint64_t kFlushedClaimBodyBytes = 16ull << 20;

}  // namespace

bool HoldsClaim(const IRunSettings& control, const CONTENTDATA& item, const std::string& localPath,
                const CVersionFile& versionFile) {
    const std::string& key = VersionFileKey(control, item);
    std::string path;
    std::string storedText;
    return versionFile.GetPath(key, path) && path == localPath &&
           versionFile.GetStoredText(key, storedText) && storedText == item.lastModified &&
           versionFile.GetNumber(key) == 0;
}

bool ClaimItemFile(const IRunSettings& control, const CONTENTDATA& item,
                   const std::string& localPath, CVersionFile& versionFile) {
    return !HoldsClaim(control, item, localPath, versionFile) &&
           versionFile.Set(VersionFileKey(control, item), localPath, item.lastModified, 0);
}

bool ClaimMustReachDisk(std::uint64_t size, std::uint64_t present) {
    return size == 0 || (size > present && size - present >= kFlushedClaimBodyBytes);
}

void ClaimItemFiles(IDownloadControl& control) {
    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    bool changed = false;
    bool durable = false;
    for (const auto& item : control.Items()) {
        if ((item->flags & CDF_COMPLETE) != 0 ||
            !ClaimItemFile(control, *item, item->localPath, versionFile)) {
            continue;
        }
        changed = true;
        durable = durable || ClaimMustReachDisk(item->size, 0);
    }
    if (!changed) {
        return;
    }
    if (durable) {
        versionFile.Save();
    } else {
        versionFile.SaveWithoutFlush();
    }
}

void ReleaseUnusedClaims(IDownloadControl& control) {
    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    bool changed = false;
    for (const auto& item : control.Items()) {
        const bool used = (item->flags & (CDF_RECEIVING | CDF_COMPLETE)) != 0;
        if (used || item->localPath.empty() ||
            win::GetFileAttributes(item->localPath) != win::INVALID_FILE_ATTRIBUTES ||
            !HoldsClaim(control, *item, item->localPath, versionFile)) {
            continue;  // in use, or not this run's claim
        }
        versionFile.Remove(VersionFileKey(control, *item));
        changed = true;
    }
    if (changed) {
        versionFile.SaveWithoutFlush();  // a claim that comes back harms nothing more
    }
}
