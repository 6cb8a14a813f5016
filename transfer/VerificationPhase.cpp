#include "transfer/VerificationPhase.h"

#include <string>

#include "env/Application.h"
#include "transfer/HashProgress.h"
#include "transfer/HeldFile.h"
#include "transfer/ItemHashCheck.h"
#include "transfer/TransferResult.h"
#include "transfer/VersionFile.h"
#include "transfer/VersionFileKey.h"

namespace kivtransfer {

namespace {

constexpr const char* kBrokenMark = "FILEBROKEN";

bool NeedsCheck(const CONTENTDATA& item) {
    return !item.hash.empty() && (item.flags & CDF_UNRECORDED) == 0;
}

void RecordVerdict(const IRunSettings& control, CVersionFile& versionFile,
                   const CONTENTDATA& item) {
    const std::string& key = VersionFileKey(control, item);
    if ((item.flags & CDF_BROKEN) == 0) {
        versionFile.Remove(key);
    } else if (!versionFile.SetStoredText(key, kBrokenMark)) {
        // Without an entry the next run would take the corrupted file as
        // complete and never hash it again; the mark makes it start over.
        versionFile.Set(key, item.localPath, kBrokenMark, 0);
    }
}

}  // namespace

// The verdicts are saved together, and after each file hashed so that a run
// that stops does not hash it again; no save waits for the disk, so none
// waits until the files just downloaded are written out. A verdict a power
// cut takes back leaves a row that the next run checks again.
bool VerificationPhase(IDownloadControl& control) {
    CHashProgress progress(control);
    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    const bool done = StoreResultOf(control.Error(), [&] {
        control.Meter().Restart();
        bool rangeSent = false;
        int brokenCount = 0;
        for (const auto& item : control.Items()) {
            if (NeedsCheck(*item)) {
                if (!rangeSent) {
                    control.SendToDialog(DLGM_OVERALLRANGE, 0,
                                         static_cast<LPARAM>(control.Counters().VerifyFileCount()));
                    const std::uint64_t bytes = control.Counters().VerifyTotalBytes();
                    control.SendToDialog(DLGM_RUNBYTES, Low32(bytes), High32(bytes));
                    rangeSent = true;
                }
                const TransferOutcome<bool> matches =
                    ItemFileMatchesHash(control, progress, *item, /*stepOverall=*/true);
                if (!matches.Ok()) {
                    return matches.Result();
                }
                if (!*matches) {
                    item->heldFile.reset();  // it goes: nothing of ours may hold it
                    item->flags |= CDF_BROKEN;
                    ++brokenCount;
                }
                if (IRunReport* report = control.Report()) report->FileVerified(*item, *matches);
                RecordVerdict(control, versionFile, *item);
                versionFile.SaveWithoutFlush();
            } else {
                RecordVerdict(control, versionFile, *item);
            }
        }
        return brokenCount > 0 ? TransferResult::Failed(errcode::kFilesBroken)
                               : TransferResult::Done();
    });
    versionFile.SaveWithoutFlush();  // the verdicts of the files without a hash
    return done;
}

}  // namespace kivtransfer
