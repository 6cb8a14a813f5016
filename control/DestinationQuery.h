#pragma once
// Phase 1 without the assistant program: ask the user for the download
// folder (starting at the one accepted last time), insist on a folder the
// control can write to, and settle what happens to files of the items' names
// that are already there.
#include <string>

#include "env/ItemIDList.h"
#include "platform/WindowTypes.h"
#include "transfer/ContentData.h"
#include "transfer/ErrorState.h"

namespace kivcontrol {

class IFolderBrowser;

// What the query needs of the control. Called on the worker thread only.
class IDestinationContext {
public:
    virtual ~IDestinationContext() = default;

    // The worker's cancel check (passes through the pause mutex).
    virtual bool IsCancelled() = 0;
    // The control's message box with `caption` as title; returns the button
    // chosen (IDYES, IDNO, ...) or IDDISMISSED when the control closed it.
    virtual int ShowMessage(const std::string& text, unsigned style) = 0;
    // ShowMessage with the string table's text for `stringId`.
    virtual int ShowMessageId(unsigned stringId, unsigned style) = 0;

    // The run's content items, in page order.
    virtual const kivtransfer::ContentList& Items() const = 0;
    // Owner of the folder dialog: the download dialog's window (may be null).
    virtual win::HWND DialogWindow() = 0;
    // The browser's top-level window, disabled while the folder dialog is
    // open; null when there is none.
    virtual win::HWND BrowserTopLevelWindow() = 0;
    // The folder dialog; null when the host gave none.
    virtual IFolderBrowser* FolderBrowser() = 0;

    virtual void SetDestinationFolder(const std::string& folder) = 0;
    virtual void SetResumeAllowed(bool allowed) = 0;
    // The run's error state (code 1 on a confirmed cancel).
    virtual kivtransfer::ErrorState& Errors() = 0;
};

class CDestinationQuery {
public:
    explicit CDestinationQuery(IDestinationContext& context) : context_(context) {}

    // Sets the destination folder, whether partial files may be resumed and
    // the remembered folder. False when the user confirmed a cancel
    // (errorCode 1), when cancellation was signalled (the error state is left
    // to the worker's cancel handling) or when there is no folder dialog
    // (errorCode 999).
    bool ChooseDestination();

    // Looks in `folder` for entries named like the items. True when the user
    // must choose again (read-only files there, or Cancel to the resume
    // question); sets whether resuming is allowed (only on Yes).
    bool CheckExistingFiles(const std::string& folder);

private:
    // Shows the folder dialog until the user picks a writable folder (true,
    // `chosen` and `selection` set) or the query ends (false).
    bool BrowseUntilWritable(IFolderBrowser& browser, KIVTOOLCommon::CItemIDList& selection,
                             std::string& chosen);
    // One folder dialog, with the browser's window disabled meanwhile.
    int BrowseOnce(IFolderBrowser& browser, const KIVTOOLCommon::CItemIDList& selection,
                   KIVTOOLCommon::CItemIDList& result);
    // The user's answer to the cancel question: true when the run is to end.
    bool ConfirmCancel();

    IDestinationContext& context_;
};

}  // namespace kivcontrol
