#include "transfer/ItemHashCheck.h"

#include <strings.h>

#include <string>

#include "platform/FileApi.h"
#include "platform/FileStamp.h"
#include "platform/LastError.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/FileDigest.h"
#include "transfer/HeldFile.h"
#include "transfer/WrittenDigest.h"

namespace kivtransfer {

namespace {

void AnnounceFile(IDialogPort& control, const CONTENTDATA& item, std::uint64_t size,
                  bool stepOverall) {
    control.SendToDialog(DLGM_FILENAME, reinterpret_cast<WPARAM>(item.name.c_str()), 0);
    const std::string status = res::LoadString(textid::kVerifyingFile);
    control.SendToDialog(DLGM_STATUS, 1, reinterpret_cast<LPARAM>(status.c_str()));
    if (stepOverall) {
        control.SendToDialog(DLGM_OVERALLSTEP, 0, 0);
    }
    control.SendToDialog(DLGM_CURRENTTOTAL, Low32(size), High32(size));
}

// The digest carried through the file's download, when the file is still the
// one this run's transfer left (same file, length and modification time).
bool CarriedDigest(const CONTENTDATA& item, std::string& digest) {
    win::FileStamp stamp;
    return item.writtenDigest && win::GetFileStamp(item.localPath, stamp) &&
           item.writtenDigest->DigestFor(stamp, digest);
}

}  // namespace

TransferOutcome<bool> ItemFileMatchesHash(IDownloadControl& control, CHashProgress& progress,
                                          const CONTENTDATA& item, bool stepOverall,
                                          bool otherNames) {
    if (TransferResult held = CheckHeldFile(item); !held.Ok()) {
        return held;
    }
    std::uint64_t size = 0;
    if (!win::GetFileSize(item.localPath, size)) {
        return TransferResult::Failed(errcode::kDigestFailed, win::GetLastError());
    }
    AnnounceFile(control, item, size, stepOverall);
    progress.StartFile();
    std::string digest;
    if (CarriedDigest(item, digest)) {
        if (!progress.CompleteAtOnce(size)) {
            return TransferResult::Failed(errcode::kDigestFailed, win::ERROR_CANCELLED);
        }
    } else if (!FileDigest(item.localPath, digest, &CHashProgress::Callback, &progress,
                                 otherNames)) {
        return TransferResult::Failed(errcode::kDigestFailed, win::GetLastError());
    }
    control.SendToDialog(DLGM_CURRENTPOS, Low32(size), High32(size));
    // The page may give the hash in either case; the digits are what count.
    return strcasecmp(digest.c_str(), item.hash.c_str()) == 0;
}

}  // namespace kivtransfer
