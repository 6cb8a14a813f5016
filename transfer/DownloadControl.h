#pragma once
// What the transfer engine needs of the control: its run state, its locks and
// its two windows. The control implements it; tests fake it. The engine never
// reaches the user or the UI toolkit in any other way.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "transfer/ContentData.h"
#include "transfer/ControlMessages.h"
#include "transfer/ErrorState.h"
#include "transfer/RateMeter.h"
#include "transfer/RunReport.h"
#include "transfer/TransferTimings.h"

namespace win {
class CHttpFile;
class CInternetSession;
}  // namespace win

namespace kivtransfer {

class IDownloadControl {
public:
    IDownloadControl();
    IDownloadControl(const IDownloadControl&) = delete;
    IDownloadControl& operator=(const IDownloadControl&) = delete;
    virtual ~IDownloadControl();

    // Run state, owned by the control.
    virtual ErrorState& Error() = 0;
    virtual ContentList& Items() = 0;
    virtual std::uint64_t& RemainingBytes() = 0;
    virtual std::uint64_t& VerifyTotalBytes() = 0;
    virtual std::uint64_t& VerifyFileCount() = 0;
    virtual bool ResumeAllowed() const = 0;
    virtual const std::string& DestinationFolder() const = 0;  // Windows form
    // Whether the protected layout is in use: the assistant program places the files.
    virtual bool HasAssistant() const = 0;
    // A page parameter accepted at load ("playbutton", "supporturl"); empty when absent.
    virtual std::string LookupText(const std::string& name) const = 0;
    virtual const TransferTimings& Timings() const = 0;
    // The run's transfer-rate meter (the cancel check restarts it after a pause).
    virtual CRateMeter& Meter() = 0;

    // Cancellation: passes through the pause mutex, then tells whether the
    // cancel event is set or the dialog is gone.
    virtual bool IsCancelled() = 0;
    // A descriptor that becomes readable when the cancel event is signalled,
    // so a blocked network read ends at once.
    virtual int CancelFd() const = 0;
    virtual std::atomic<bool>& LeavePromptPending() = 0;
    // Try-only gate around each network read; teardown holds it.
    virtual bool TryTakeReadGate() = 0;
    virtual void ReleaseReadGate() = 0;
    virtual std::mutex& ChunkLock() = 0;

    // The dialog: sends wait for it (only while its window exists), posts
    // never wait. PostToDialog posts only while the dialog is visible;
    // PostToDialogWindow posts straight to the dialog's window.
    virtual bool HasDialogWindow() const = 0;
    virtual LRESULT SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual bool PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual bool PostToDialogWindow(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // The control's window.
    virtual bool ControlWindowExists() const = 0;
    // CTLM_INETERRORDLG: asks the user for proxy credentials for `request`;
    // 12032 means "send again" (the credentials are then set on the request).
    virtual LRESULT AskProxyCredentials(win::CHttpFile& request) = 0;
    // CTLM_BROWSERDIALOG with SendMessageTimeout(SMTO_BLOCK, timeout): false
    // when it could not be delivered in time; else `answer` holds the result.
    virtual bool AskBrowserDialogOpen(std::uint32_t timeoutMs, LRESULT& answer) = 0;
    virtual void Sleep(std::uint32_t ms) = 0;
    // The host's account of the run; null when it keeps none.
    virtual IRunReport* Report() { return nullptr; }

    // The run's internet session, made at first use; worker thread only. The
    // size queries and transfers of a run share it, so its kept-alive
    // connection to a server serves them all instead of two new connections
    // per item. Throws std::bad_alloc when it cannot be made.
    win::CInternetSession& Session();

private:
    std::unique_ptr<win::CInternetSession> session_;
};

}  // namespace kivtransfer
