#pragma once
// The control's dealings with the page around it: connecting to the page's
// window events, protecting a running transfer when the user leaves the
// page, shutting down cleanly when the page goes away anyway, closing the
// boxes and the folder dialog that would otherwise outlive it, quitting the
// browser window and telling the worker whether the browser's own leave
// question is open. Everything here runs on the control's window thread.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "control/ControlServices.h"
#include "platform/WindowTypes.h"
#include "transfer/ContentData.h"
#include "transfer/ControlMessages.h"
#include "transfer/ErrorState.h"

namespace kivcontrol {

// What the page integration and the after-download actions need of the
// control. Members that IDownloadControl also has keep its exact signatures,
// so the control implements each of them once for both interfaces.
class IPageContext {
public:
    virtual ~IPageContext() = default;

    // Run state.
    virtual kivtransfer::ErrorState& Error() = 0;
    virtual bool Aborted() const = 0;  // the control stays inert
    virtual const std::string& Caption() const = 0;
    virtual const std::string& DestinationFolder() const = 0;  // Windows form
    virtual bool TransferActive() const = 0;
    // The worker pauses while it is set (see IUserQuestions).
    virtual void SetLeavePromptPending() = 0;
    virtual bool PageClosing() const = 0;
    virtual void SetPageClosing() = 0;
    virtual kivtransfer::ContentList& Items() = 0;
    // A page parameter accepted at load ("playbutton", "supporturl"); empty when absent.
    virtual std::string LookupText(const std::string& name) const = 0;

    // The download dialog.
    // Its window, or null when there is no dialog or its window is gone.
    virtual win::HWND DialogWindow() const = 0;
    // The dialog exists and its created flag is set.
    virtual bool DialogCreated() const = 0;
    // The thread that runs the dialog (the control's window thread); 0 without a dialog.
    virtual win::DWORD DialogThreadId() const = 0;
    // Sends only while the dialog's window exists; 0 when nothing was sent.
    virtual LRESULT SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // The worker and the assistant.
    virtual win::DWORD WorkerThreadId() const = 0;  // 0 when there is no worker
    virtual bool HasAssistant() const = 0;
    // Waits up to `timeoutMs` for the assistant program to end; true when it has.
    virtual bool WaitForAssistantEnd(std::uint32_t timeoutMs) = 0;

    // Locks and the single-instance mutex.
    // Releases the pause mutex if the calling thread holds it; harmless otherwise.
    virtual void ReleasePauseMutex() = 0;
    // Held by the worker while it receives and writes a chunk.
    [[nodiscard]] virtual std::unique_lock<std::mutex> HoldChunkLock() = 0;
    virtual void CloseInstanceMutex() = 0;

    // The control's own window and its way to the user and the outside.
    virtual win::HWND ControlWindow() const = 0;
    virtual bool ControlWindowExists() const = 0;
    // Shows string `id` in the program's message box titled with the caption;
    // returns the button chosen.
    virtual int ShowMessageId(unsigned id, unsigned style) = 0;
    // The same with a text of its own.
    virtual int ShowMessage(const std::string& text, unsigned style) = 0;
    virtual const ControlServices& Services() const = 0;
};

// Window creation's page connection: service provider (code 13), browser
// (14), document (15), page window (16), event sink (17, cookie into
// `cookie`). A failing step stores its HRESULT in lastError with its code and
// ends the connection; true when every step succeeded.
bool ConnectToPage(IPageContext& control, IPageEvents& sink, std::uint32_t& cookie);

// Whether OnBeforeUnload would have the browser ask before leaving (a
// transfer or verification is running) rather than let the page go.
bool WouldAskBeforeLeaving(IPageContext& control);

// The page's window events.
void OnBeforeUnload(IPageContext& control);
void OnUnload(IPageContext& control);

// Dismisses every top-level window of `threadId` titled exactly with the
// caption, other than the dialog: the control's open message boxes there.
void CloseMessageBoxes(IPageContext& control, win::DWORD threadId);
// Closes the folder dialog the worker may have open.
void CloseFolderDialog(IPageContext& control);

// CTLM_QUITBROWSER: asks the browser window to close; failures are ignored.
LRESULT QuitBrowser(IPageContext& control);
// CTLM_BROWSERDIALOG: 1 while the browser's leave question is open, else 0.
LRESULT DetectBrowserDialog(IPageContext& control);

}  // namespace kivcontrol
