#include <algorithm>
#include <string>

#include "env/Application.h"
#include "platform/FileApi.h"
#include "platform/LastError.h"
#include "transfer/DownloadPhase.h"
#include "transfer/HttpTransfer.h"
#include "transfer/LocalFileVerdict.h"
#include "transfer/TransferFailure.h"
#include "transfer/VersionFile.h"
#include "transfer/VersionFileKey.h"
#include "transfer/WorkFiles.h"

namespace {

// Size queries in all, per item; only connection failures (300) are tried again.
constexpr int kSizeQueryAttempts = 12;

// The bits the engine keeps its own state in. A record's number may add other
// flag bits but never these: the record can be written by the confined
// worker, and a forged row must not mark a file unrecorded (never hashed),
// broken or finished.
constexpr std::uint32_t kEngineStateFlags = CDF_PREPARED | CDF_RETRY | CDF_RESUME | CDF_RECEIVING |
                                            CDF_BROKEN | CDF_UNRECORDED | CDF_COMPLETE |
                                            CDF_FINALIZED;

std::uint64_t LocalFileSize(const std::string& path) {
    std::uint64_t size = 0;
    if (!win::GetFileSize(path, size)) {
        throw CFileException{win::GetLastError()};
    }
    return size;
}

// Flags the item complete or resumable from the file already on disk and
// returns the bytes that need no transfer.
std::uint64_t JudgeExistingFile(IDownloadControl& control, CONTENTDATA& item) {
    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    const std::string& key = VersionFileKey(control, item);
    std::string storedText;
    const bool recorded = versionFile.GetStoredText(key, storedText) != 0;
    if (!recorded) {
        storedText.clear();
    }
    const std::uint64_t localSize = LocalFileSize(item.localPath);
    switch (JudgeLocalFile(localSize, item.size, recorded, storedText, item.lastModified)) {
        case LocalFileVerdict::Complete:
            item.flags |= CDF_COMPLETE;
            item.flags |= recorded ? static_cast<std::uint32_t>(versionFile.GetNumber(key)) &
                                         ~kEngineStateFlags
                                   : CDF_UNRECORDED;
            return localSize;
        case LocalFileVerdict::Resume:
            item.flags |= CDF_RESUME;
            return localSize;
        case LocalFileVerdict::Discard:
            break;
    }
    return 0;
}

void PrepareItem(IDownloadControl& control, CONTENTDATA& item) {
    item.flags |= CDF_PREPARED;
    QuerySizeWithRetries(control, item);
    std::uint64_t& remaining = control.RemainingBytes();
    remaining += item.size;
    std::string localPath;
    if (!LocalPathOfItem(control, item, localPath)) {
        throw CUserException{};
    }
    item.localPath = localPath;
    if (!control.ResumeAllowed() || !win::FileExists(item.localPath)) {
        return;
    }
    const std::uint64_t present = JudgeExistingFile(control, item);
    remaining -= std::min(present, remaining);
}

}  // namespace

void QuerySizeWithRetries(IDownloadControl& control, CONTENTDATA& item) {
    ErrorState& error = control.Error();
    for (int attempt = 1;; ++attempt) {
        if (SizeQuery(control, item.url, item)) {
            return;
        }
        if (error.errorCode != 300 || attempt == kSizeQueryAttempts) {
            throw CUserException{};
        }
        error = ErrorState{};
    }
}

bool PrepareItems(IDownloadControl& control) {
    return RunGuarded(control.Error(), [&] {
        control.RemainingBytes() = 0;
        for (const auto& item : control.Items()) {
            PrepareItem(control, *item);
        }
    });
}
