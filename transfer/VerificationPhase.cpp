#include "transfer/VerificationPhase.h"

#include <string>

#include "env/Application.h"
#include "transfer/HashProgress.h"
#include "transfer/ItemHashCheck.h"
#include "transfer/TransferFailure.h"
#include "transfer/VersionFile.h"
#include "transfer/VersionFileKey.h"

namespace {

constexpr const char* kBrokenMark = "FILEBROKEN";

bool NeedsCheck(const CONTENTDATA& item) {
    return !item.hash.empty() && (item.flags & CDF_UNRECORDED) == 0;
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
                const bool matches =
                    ItemFileMatchesHash(control, progress, *item, /*stepOverall=*/true);
                if (!matches) {
                    item->flags |= CDF_BROKEN;
                    ++brokenCount;
                }
                if (IRunReport* report = control.Report()) report->FileVerified(*item, matches);
            }
            RecordVerdict(control, *item);
        }
        if (brokenCount > 0) {
            Fail(control.Error(), errcode::kFilesBroken);
        }
    });
}
