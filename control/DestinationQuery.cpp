#include "control/DestinationQuery.h"

#include <utility>

#include "control/ControlServices.h"
#include "control/RememberedFolder.h"
#include "control/ScopedWindowDisable.h"
#include "env/Locations.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/ErrorCodes.h"

namespace kivcontrol {

using KIVTOOLCommon::CItemIDList;

namespace {

// Only file-system folders, in the resizable dialog with a new-folder button.
constexpr unsigned kBrowseFlags = 0x41;

// The remembered folder while it is still there and writable, else the
// download folder of a first run.
CItemIDList InitialSelection() {
    CItemIDList remembered = ReadRememberedFolder();
    std::string path;
    if (remembered.GetPath(path) && env::IsWritableFolder(path)) return remembered;
    CItemIDList first;
    if (env::GetFirstDownloadFolder(path) && first.FromPath(path)) return first;
    return CItemIDList::Desktop();
}

}  // namespace

bool CDestinationQuery::ChooseDestination() {
    IFolderBrowser* browser = context_.FolderBrowser();
    if (browser == nullptr) {
        context_.Errors().Set(errcode::kInternalError);
        return false;
    }
    CItemIDList selection = InitialSelection();
    std::string chosen;
    do {
        if (!BrowseUntilWritable(*browser, selection, chosen)) return false;
    } while (CheckExistingFiles(chosen));
    // A question box closed because the page was left reads as "No"; the
    // folder was not really accepted then, so it is not remembered either.
    if (context_.IsCancelled()) return false;
    context_.SetDestinationFolder(chosen);
    RememberFolder(selection);
    return true;
}

bool CDestinationQuery::BrowseUntilWritable(IFolderBrowser& browser, CItemIDList& selection,
                                            std::string& chosen) {
    for (;;) {
        if (context_.IsCancelled()) return false;
        CItemIDList result;
        const int answer = BrowseOnce(browser, selection, result);
        if (context_.IsCancelled()) return false;
        if (answer != IDOK) {
            if (ConfirmCancel()) return false;
            continue;
        }
        result.GetPath(chosen);
        // The next dialog opens at the folder just chosen.
        if (!result.IsEmpty()) selection = std::move(result);
        if (env::IsWritableFolder(chosen)) return true;
        context_.ShowMessageId(textid::kNotWritable, MB_OK);
    }
}

int CDestinationQuery::BrowseOnce(IFolderBrowser& browser, const CItemIDList& selection,
                                  CItemIDList& result) {
    // The dialog belongs to the worker thread; keep the user out of the
    // browser while it is open.
    ScopedWindowDisable browserDisabled(context_.BrowserTopLevelWindow());
    return browser.Browse(context_.DialogWindow(), res::LoadString(textid::kSelectFolderPrompt),
                          kBrowseFlags, selection, result);
}

bool CDestinationQuery::ConfirmCancel() {
    const int answer = context_.ShowMessage(res::LoadString(textid::kCancelDownloadQuestion),
                                            MB_YESNO | MB_ICONEXCLAMATION);
    if (answer == IDNO) return false;
    context_.Errors().Set(errcode::kCancelled);
    return true;
}

}  // namespace kivcontrol
