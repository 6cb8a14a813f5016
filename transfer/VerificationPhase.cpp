#include "transfer/VerificationPhase.h"

#include <strings.h>

#include <string>

#include "env/Application.h"
#include "platform/FileApi.h"
#include "platform/LastError.h"
#include "resources/StringTable.h"
#include "transfer/FileDigest.h"
#include "transfer/HashProgress.h"
#include "transfer/TransferFailure.h"
#include "transfer/VersionFile.h"
#include "transfer/VersionFileKey.h"

namespace {

constexpr unsigned IDS_VERIFYING = 49;
constexpr std::int32_t kDigestFailed = 22;
constexpr std::int32_t kFilesBroken = 500;
constexpr const char* kBrokenMark = "FILEBROKEN";

bool NeedsCheck(const CONTENTDATA& item) {
    return !item.hash.empty() && (item.flags & CDF_UNRECORDED) == 0;
}

void AnnounceFile(IDownloadControl& control, const CONTENTDATA& item, std::uint64_t size) {
    control.SendToDialog(DLGM_FILENAME, reinterpret_cast<WPARAM>(item.name.c_str()), 0);
    const std::string status = res::LoadString(IDS_VERIFYING);
    control.SendToDialog(DLGM_STATUS, 1, reinterpret_cast<LPARAM>(status.c_str()));
    control.SendToDialog(DLGM_OVERALLSTEP, 0, 0);
    control.SendToDialog(DLGM_CURRENTTOTAL, Low32(size), High32(size));
}

// Hashes the item's file; true when it matches the page's hash.
bool Matches(IDownloadControl& control, CHashProgress& progress, const CONTENTDATA& item) {
    ErrorState& error = control.Error();
    std::uint64_t size = 0;
    if (!win::GetFileSize(item.localPath, size)) {
        Fail(error, kDigestFailed, win::GetLastError());
    }
    AnnounceFile(control, item, size);
    progress.StartFile();
    std::string digest;
    if (!FileDigest(item.localPath, digest, &CHashProgress::Callback, &progress)) {
        Fail(error, kDigestFailed, win::GetLastError());
    }
    control.SendToDialog(DLGM_CURRENTPOS, Low32(size), High32(size));
    // The page may give the hash in either case; the digits are what count.
    return strcasecmp(digest.c_str(), item.hash.c_str()) == 0;
}

void RecordVerdict(IDownloadControl& control, const CONTENTDATA& item) {
    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    const std::string& key = VersionFileKey(control, item);
    if ((item.flags & CDF_BROKEN) == 0) {
        versionFile.Remove(key);
    } else if (!versionFile.SetStoredText(key, kBrokenMark)) {
        // Without an entry the next run would take the corrupted file as
        // complete and never hash it again; the mark makes it start over.
        versionFile.Set(key, item.localPath, kBrokenMark, 0);
    }
    versionFile.Save();
}

}  // namespace

bool VerificationPhase(IDownloadControl& control) {
    CHashProgress progress(control);
    return RunGuarded(control.Error(), [&] {
        control.Meter().Restart();
        bool rangeSent = false;
        int brokenCount = 0;
        for (const auto& item : control.Items()) {
            if (NeedsCheck(*item)) {
                if (!rangeSent) {
                    control.SendToDialog(DLGM_OVERALLRANGE, 0,
                                         static_cast<LPARAM>(control.VerifyFileCount()));
                    const std::uint64_t bytes = control.VerifyTotalBytes();
                    control.SendToDialog(DLGM_RUNBYTES, Low32(bytes), High32(bytes));
                    rangeSent = true;
                }
                const bool matches = Matches(control, progress, *item);
                if (!matches) {
                    item->flags |= CDF_BROKEN;
                    ++brokenCount;
                }
                if (IRunReport* report = control.Report()) report->FileVerified(*item, matches);
            }
            RecordVerdict(control, *item);
        }
        if (brokenCount > 0) {
            Fail(control.Error(), kFilesBroken);
        }
    });
}
