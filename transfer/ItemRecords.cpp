#include "transfer/ItemRecords.h"

#include <string>
#include <vector>

#include "env/Application.h"
#include "platform/FileApi.h"
#include "transfer/VersionFileKey.h"

namespace kivtransfer {

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

bool ClaimKnown(const CONTENTDATA& item, const std::string& localPath) {
    return !item.claimedPath.empty() && item.claimedPath == localPath &&
           item.claimedLastModified == item.lastModified;
}

void NoteClaim(CONTENTDATA& item, const std::string& localPath) {
    item.claimedPath = localPath;
    item.claimedLastModified = item.lastModified;
}

bool ClaimMustReachDisk(std::uint64_t size, std::uint64_t present) {
    return size == 0 || (size > present && size - present >= kFlushedClaimBodyBytes);
}

void ClaimItemFiles(IDownloadControl& control) {
    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    std::vector<CONTENTDATA*> claimed;
    bool durable = false;
    for (const auto& item : control.Items()) {
        if ((item->flags & CDF_COMPLETE) != 0) {
            continue;
        }
        if (HoldsClaim(control, *item, item->localPath, versionFile)) {
            NoteClaim(*item, item->localPath);  // the row is on disk already
        } else if (ClaimItemFile(control, *item, item->localPath, versionFile)) {
            claimed.push_back(item.get());
            durable = durable || ClaimMustReachDisk(item->size, 0);
        }
    }
    if (claimed.empty()) {
        return;
    }
    const bool saved = durable ? versionFile.Save() : versionFile.SaveWithoutFlush();
    if (!saved) {
        return;  // each transfer tries its own claim
    }
    for (CONTENTDATA* item : claimed) {
        NoteClaim(*item, item->localPath);
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
        item->claimedPath.clear();
        changed = true;
    }
    if (changed) {
        versionFile.SaveWithoutFlush();  // a claim that comes back harms nothing more
    }
}

}  // namespace kivtransfer
