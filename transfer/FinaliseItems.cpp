#include "transfer/FinaliseItems.h"

#include "platform/FileApi.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/NewFileMode.h"
#include "transfer/TransferFailure.h"
#include "transfer/WorkFiles.h"

namespace {

// Clears the hidden bit and nothing else: read-only, archive and the rest
// stay as the user or the system set them.
void Unhide(ErrorState& error, const CONTENTDATA& item) {
    const win::DWORD attributes = win::GetFileAttributes(item.localPath);
    if (attributes == win::INVALID_FILE_ATTRIBUTES) {
        // A file that cannot be made visible must not be reported as delivered.
        Fail(error, errcode::kNotPlaced, win::GetLastError());
    }
    if ((attributes & (win::FILE_ATTRIBUTE_REPARSE_POINT | win::FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        // A link or a folder took the file's place: that is not what was downloaded.
        Fail(error, errcode::kNotPlaced, win::ERROR_ACCESS_DENIED);
    }
    if ((attributes & win::FILE_ATTRIBUTE_HIDDEN) == 0) {
        return;
    }
    win::DWORD visible = attributes & ~win::FILE_ATTRIBUTE_HIDDEN;
    if (visible == 0) {
        visible = win::FILE_ATTRIBUTE_NORMAL;
    }
    if (!win::SetFileAttributes(item.localPath, visible)) {
        Fail(error, errcode::kNotPlaced, win::GetLastError());
    }
}

// Written owner-only while it was incomplete, the finished file now gets
// the mode a new file of the user's would have. A file that was already
// there and not ours (unrecorded) keeps the mode its owner gave it.
void GiveFinalMode(ErrorState& error, const CONTENTDATA& item) {
    if ((item.flags & CDF_UNRECORDED) != 0) {
        return;
    }
    std::string native;
    if (!win::ToNativePath(item.localPath, native)) {
        Fail(error, errcode::kNotPlaced, win::GetLastError());
    }
    if (const int failure = win::GiveNewFileMode(native)) {
        Fail(error, errcode::kNotPlaced, win::Win32FromErrno(failure));
    }
}

void Place(IDownloadControl& control, IFilePlacer* placer, CONTENTDATA& item) {
    ErrorState& error = control.Error();
    if (placer == nullptr) {
        Fail(error, errcode::kInternalError, win::ERROR_NOT_SUPPORTED);
    }
    const std::string finalPath = FinalPathOfItem(control, item);
    if (!placer->SendPlaceFile(item.localPath, finalPath)) {
        Fail(error, errcode::kInternalError, win::GetLastError());
    }
    if (!placer->WaitForReply()) {
        // lastError already holds the code of the assistant's answer, if any.
        error.errorCode = errcode::kNotPlaced;
        throw CUserException{};
    }
    // Only a placed file is at the final path; a refused one is still where it was.
    item.localPath = finalPath;
    item.keptAsideAs = placer->KeptAside();
    IRunReport* report = control.Report();
    if (report != nullptr && !item.keptAsideAs.empty()) report->FileKeptAside(item);
    if (report != nullptr) report->FilePlaced(item);
}

}  // namespace

bool FinaliseItems(IDownloadControl& control, IFilePlacer* placer) {
    return RunGuarded(control.Error(), [&] {
        const bool assistantMode = control.HasAssistant();
        for (const auto& item : control.Items()) {
            if ((item->flags & CDF_BROKEN) != 0) {
                continue;
            }
            if (assistantMode) {
                Place(control, placer, *item);
            } else {
                Unhide(control.Error(), *item);
                GiveFinalMode(control.Error(), *item);
            }
        }
        for (const auto& item : control.Items()) {
            item->flags |= CDF_FINALIZED;
        }
    });
}
