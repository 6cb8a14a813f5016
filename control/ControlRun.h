#pragma once
// The state of one download run, shared by the control (on the browser's
// window thread) and its worker thread. Both hold it through a shared_ptr, so
// a worker still running after teardown's grace keeps its items, locks,
// events and services; the object goes with whichever lets go last.
//
// It is what the engine (IDownloadControl), the destination query
// (IDestinationContext), the page integration (IPageContext) and the worker
// pipeline (IWorkerContext) see of the control. Members marked "window
// thread" must only be called there.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "assistant/AssistantOwner.h"
#include "control/ControlServices.h"
#include "control/ControlTimings.h"
#include "control/DestinationQuery.h"
#include "control/PageIntegration.h"
#include "control/ParameterLoad.h"
#include "control/SingleInstance.h"
#include "control/WorkerPipeline.h"
#include "platform/CriticalSection.h"
#include "platform/Handle.h"
#include "transfer/DownloadControl.h"

namespace kivassistant {
class CKivDownloadAssistant;
}

namespace kivcontrol {

class CControlRun final : public kivtransfer::IDownloadControl,
                          public IDestinationContext,
                          public IPageContext,
                          public IWorkerContext,
                          public kivassistant::IAssistantOwner {
public:
    // Creates the cancel event, the pause mutex and the read gate; a failure
    // leaves error 999 with the system's code, reported at window creation.
    CControlRun(const ControlServices& services, const ControlTimings& timings);
    ~CControlRun() override;
    CControlRun(const CControlRun&) = delete;
    CControlRun& operator=(const CControlRun&) = delete;

    // --- Set-up, window thread, before the worker starts.
    void SetCaption(const std::string& caption) { caption_ = caption; }
    void AdoptParameters(ParameterLoadResult&& loaded);
    CSingleInstanceLock& InstanceLock() { return instanceLock_; }
    const ControlTimings& ControlTiming() const { return timings_; }
    win::HANDLE CancelEvent() const { return cancelEvent_.Handle(); }
    win::HANDLE PauseMutex() const { return pauseMutex_.Handle(); }
    void ResetCancel();
    void SetControlWindow(win::HWND window) { controlWindow_ = window; }
    void AttachDialog(std::unique_ptr<IDownloadDialog> dialog);
    void SetWorkerThreadId(win::DWORD id) { workerThreadId_ = id; }
    // The protected layout: starts the assistant program with its reply
    // window under the control's window. False with error 400.
    bool StartAssistant();
    // The work of phases 1 to 4 on this run (and the assistant's greeting).
    WorkerPhases Phases();
    // Worker thread, first thing in the protected layout: the worker may
    // write only below its work folders from then on.
    void ConfineWorker();

    // --- Window thread, while the run goes on and at its end.
    // Cancel check without touching the worker's rate meter.
    bool IsCancelledOnWindowThread() { return CheckCancelled(false); }
    void SignalCancel();
    // Composes the failure's message and shows it (nothing for codes 0 and 1).
    void ReportError(int phase);
    // CTLM_INETERRORDLG: wParam is the worker's request (win::CHttpFile*).
    // Credentials the user entered serve every later request of the run; the
    // user is asked again only when the proxy refuses them.
    LRESULT OnInternetErrorDialog(WPARAM request, LPARAM flags);
    // Closes the boxes on the dialog's thread (and the worker's, and its
    // folder dialog, when there is no assistant), destroys the dialog window
    // and deletes the dialog object.
    void CloseDialog();

    // --- Teardown, window thread.
    // Tries the read gate once; when taken it stays held, so that no later
    // read starts. False when a read holds it.
    bool TakeReadGateForTeardown();
    // Deletes the assistant client (which waits for the program to end),
    // empties the content list and closes the pause mutex and cancel event;
    // only once the worker has ended.
    void ReleaseRunResources();
    // Closes any question box and folder dialog the worker has open.
    void DismissWorkerQuestions();

    // --- Deferred release of the control (see docs/architecture.md, Threads).
    // Keeps `release` until the worker ends and runs it then, on the worker
    // thread. Returns `release` back when the worker has already ended (or
    // never ran): the caller runs it at once.
    std::function<void()> RunWhenWorkerEnds(std::function<void()> release);
    // The worker's last act.
    void WorkerEnded();

    // --- Message boxes, shown on the calling thread (worker or window thread).
    int ShowMessage(const std::string& text, unsigned style) override;
    int ShowMessageId(unsigned stringId, unsigned style) override;

    // --- Shared by several interfaces.
    kivtransfer::ErrorState& Error() override { return error_; }
    kivtransfer::ContentList& Items() override { return items_; }
    std::string LookupText(const std::string& name) const override;
    const std::string& DestinationFolder() const override { return destinationFolder_; }
    void SetLeavePromptPending() override { leavePromptPending_ = true; }
    std::unique_lock<std::mutex> HoldChunkLock() override { return std::unique_lock(chunkLock_); }
    bool IsCancelled() override { return CheckCancelled(true); }
    LRESULT SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool ControlWindowExists() const override;
    bool HasAssistant() const override { return assistant_ != nullptr; }

    // --- IDownloadControl's ports (worker thread)
    kivtransfer::CRunCounters& Counters() override { return counters_; }
    bool TakeLeavePromptPending() override { return leavePromptPending_.exchange(false); }
    bool ResumeAllowed() const override { return resumeAllowed_; }
    kivassistant::CKivDownloadAssistant* Assistant() { return assistant_.get(); }
    const kivtransfer::TransferTimings& Timings() const override { return timings_.transfer; }
    kivtransfer::CRateMeter& Meter() override { return meter_; }
    int CancelFd() const override;
    bool TryTakeReadGate() override;
    void ReleaseReadGate() override;
    bool PostToDialogWindow(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT AskProxyCredentials(win::CHttpFile& request) override;
    bool AskBrowserDialogOpen(std::uint32_t timeoutMs, LRESULT& answer) override;
    void Sleep(std::uint32_t ms) override;
    kivtransfer::IRunReport* Report() override { return services_.runReport; }

    // --- IDestinationContext
    const kivtransfer::ContentList& Items() const override { return items_; }
    win::HWND DialogWindow() override { return std::as_const(*this).DialogWindow(); }
    win::HWND BrowserTopLevelWindow() override;
    IFolderBrowser* FolderBrowser() override { return services_.folderBrowser; }
    void SetDestinationFolder(const std::string& folder) override { destinationFolder_ = folder; }
    void SetResumeAllowed(bool allowed) override { resumeAllowed_ = allowed; }
    kivtransfer::ErrorState& Errors() override { return error_; }

    // --- IPageContext
    bool Aborted() const override { return aborted_; }
    const std::string& Caption() const override { return caption_; }
    bool TransferActive() const override { return transferActive_; }
    bool PageClosing() const override { return pageClosing_; }
    void SetPageClosing() override { pageClosing_ = true; }
    win::HWND DialogWindow() const override;
    bool DialogCreated() const override;
    win::DWORD DialogThreadId() const override;
    win::DWORD WorkerThreadId() const override { return workerThreadId_; }
    bool WaitForAssistantEnd(std::uint32_t timeoutMs) override;
    void ReleasePauseMutex() override;
    void CloseInstanceMutex() override { instanceLock_.Close(); }
    win::HWND ControlWindow() const override { return controlWindow_; }
    const ControlServices& Services() const override { return services_; }

    // --- IWorkerContext
    std::int32_t ItemCount() const override { return itemCount_; }
    const std::string& HelpLink() const override { return helpLink_; }
    bool PostToControl(UINT message, WPARAM wParam, LPARAM lParam) override;
    void SetTransferActive(bool active) override { transferActive_ = active; }
    void CompletionPause() override;
    bool AssistantEnded() const override { return assistantEnded_; }
    // Window thread: the assistant's end was taken as the run's error.
    void SetAssistantEnded() { assistantEnded_ = true; }

    // --- IAssistantOwner, window thread (the error box: worker thread).
    win::HWND Window() const override { return controlWindow_; }
    bool OnAssistantReply(const win::COPYDATASTRUCT* record) override;
    void ShowFileErrorBox(const std::string& text) override;

private:
    bool GreetAssistant();
    bool ChooseDestinationWithAssistant();

    bool CheckCancelled(bool restartMeter);
    bool CreateKernelObjects();

    const ControlServices services_;
    const ControlTimings timings_;

    // Run state. The worker writes the error state, the items and the
    // counters; the window thread reads them after the worker's posts.
    kivtransfer::ErrorState error_;
    kivtransfer::ContentList items_;
    std::int32_t itemCount_ = 0;
    std::string caption_;
    std::string helpLink_;
    CParameterSet parameters_;
    std::string destinationFolder_;
    kivtransfer::CRunCounters counters_;  // worker thread only
    kivtransfer::CRateMeter meter_;       // worker thread only
    std::atomic<bool> resumeAllowed_{false};
    std::atomic<bool> aborted_{false};
    std::atomic<bool> transferActive_{false};
    std::atomic<bool> pageClosing_{false};
    std::atomic<bool> leavePromptPending_{false};
    std::atomic<bool> assistantEnded_{false};
    // The proxy credentials entered last (window thread only; never stored).
    std::optional<std::pair<std::string, std::string>> proxyCredentials_;

    // Kernel objects and locks.
    win::CHandle cancelEvent_;  // named, manual reset
    win::CHandle pauseMutex_;   // held by the dialog while it asks whether to cancel
    win::CHandle readGate_;     // tried around each network read; teardown keeps it
    win::CCriticalSection dialogLock_;
    std::mutex chunkLock_;
    CSingleInstanceLock instanceLock_;

    // Windows and threads. The dialog object is touched on the window thread
    // only; the worker sees just its window handle.
    std::atomic<win::HWND> controlWindow_{nullptr};
    std::atomic<win::HWND> dialogWindow_{nullptr};
    std::unique_ptr<IDownloadDialog> dialog_;
    std::atomic<win::DWORD> workerThreadId_{0};
    // Set before the worker starts, deleted after it ended (window thread).
    std::unique_ptr<kivassistant::CKivDownloadAssistant> assistant_;

    std::mutex releaseGuard_;
    bool workerEnded_ = false;
    std::function<void()> deferredRelease_;
};

}  // namespace kivcontrol
