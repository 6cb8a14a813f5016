#pragma once
// The control reaches the user, the browser and other programs only through
// these small interfaces. The host and the Qt front end implement them;
// tests use scripted fakes, so a whole run needs no user-interface toolkit.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/KernelTypes.h"
#include "platform/WindowTypes.h"
#include "transfer/RunReport.h"

namespace KIVTOOLCommon {
class CItemIDList;
}

// Message-box styles and results, with the platform's values.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONSTOP = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONMASK = 0xF0;
constexpr unsigned MB_DEFBUTTON3 = 0x200;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDDISMISSED = -1;  // ended by MBM_DISMISS

// The control's own window messages, numbered beside the worker's
// (transfer/ControlMessages.h). MBM_DISMISS, sent to a question box, ends it
// with IDDISMISSED; CTLM_QUITBROWSER, posted to the control's window, asks
// the browser window to close.
constexpr win::UINT MBM_DISMISS = win::WM_APP + 20;
constexpr win::UINT CTLM_QUITBROWSER = win::WM_APP + 21;

namespace kivcontrol {

// Modal boxes, shown on the calling thread as top-level windows of that
// thread titled `caption`, so that the control can find and close them
// (MBM_DISMISS, then WM_CLOSE).
class IMessageBoxService {
public:
    virtual ~IMessageBoxService() = default;
    // The program's own box; returns the button chosen, or IDDISMISSED.
    virtual int ShowMessageBox(win::HWND owner, const std::string& text, const std::string& caption,
                               unsigned style) = 0;
    // The platform's standard box (the "already running" question, shown
    // before the control has a window).
    virtual int ShowStandardMessageBox(const std::string& text, const std::string& caption,
                                       unsigned style) = 0;
};

// The folder dialog, modal on the calling thread, a top-level window of that
// thread titled with string 24 ("Browse for Folder").
class IFolderBrowser {
public:
    virtual ~IFolderBrowser() = default;
    // Returns IDOK with `result` set to the chosen folder's list, or IDCANCEL.
    virtual int Browse(win::HWND owner, const std::string& prompt, unsigned flags,
                       const KIVTOOLCommon::CItemIDList& initialSelection,
                       KIVTOOLCommon::CItemIDList& result) = 0;
};

// The download dialog as the control creates it: a child window whose
// window procedure handles the DLGM_ messages.
class IDownloadDialog {
public:
    virtual ~IDownloadDialog() = default;
    virtual win::HWND Window() const = 0;
    virtual void SetCreatedFlag(bool created) = 0;
    virtual bool CreatedFlag() const = 0;
    virtual void Configure(const std::string& caption, win::HANDLE cancelEvent,
                           win::HANDLE pauseMutex, const std::string& helpLink) = 0;
};

class IDialogFactory {
public:
    virtual ~IDialogFactory() = default;
    // Creates the dialog as a child of `parent` on the calling thread; null
    // with the thread's last error set when it cannot.
    virtual std::unique_ptr<IDownloadDialog> CreateDownloadDialog(win::HWND parent) = 0;
};

// The page's window events the control listens to.
class IPageEvents {
public:
    virtual ~IPageEvents() = default;
    virtual void OnBeforeUnload() = 0;
    virtual void OnUnload() = 0;
};

// The browser's part: the page the control sits in and the browser window.
// Each connection step answers an HRESULT (negative on failure).
class IBrowserHost {
public:
    virtual ~IBrowserHost() = default;
    virtual bool HasClientSite() = 0;
    virtual std::int32_t QueryServiceProvider() = 0;
    virtual std::int32_t QueryBrowser() = 0;
    virtual std::int32_t QueryDocument() = 0;
    virtual std::int32_t QueryPageWindow() = 0;
    virtual std::int32_t ConnectPageEvents(IPageEvents& sink, std::uint32_t& cookie) = 0;
    virtual void DisconnectPageEvents(std::uint32_t cookie) = 0;

    // The browser's top-level window (null when there is none).
    virtual win::HWND TopLevelWindow() = 0;
    virtual void BringToForeground() = 0;
    // Sets the return value of the current beforeunload event; false when
    // there is no current event.
    virtual bool SetBeforeUnloadText(const std::string& text) = 0;
    // Whether the browser's own leave question is open (the host's own rule,
    // besides the window-title test).
    virtual bool IsLeaveQuestionOpen() = 0;
    virtual bool Quit() = 0;
    // A new browser window on `url`; false when it could not be opened.
    virtual bool OpenBrowserWindow(const std::string& url) = 0;
};

// Starts other programs (file manager, associated program, browser). One
// function, so tests can observe every launch without starting anything.
class ILauncher {
public:
    virtual ~ILauncher() = default;
    // argv[0] is the program; no shell is involved. False when it did not start.
    virtual bool Launch(const std::vector<std::string>& argv) = 0;
};

// The browser's internet error dialog for a proxy that asks for a password,
// shown on the calling thread over `owner` (null: no owner).
class IProxyCredentialPrompt {
public:
    virtual ~IProxyCredentialPrompt() = default;
    // True (OK) with `user` and `password` filled in; false when the user cancelled.
    virtual bool AskProxyCredentials(win::HWND owner, std::string& user, std::string& password) = 0;
};

// Everything the control needs from outside, handed over at construction.
// The services must outlive the control's final release (ReleaseControl).
struct ControlServices {
    IMessageBoxService* messageBoxes = nullptr;
    IFolderBrowser* folderBrowser = nullptr;
    IDialogFactory* dialogFactory = nullptr;
    IBrowserHost* browser = nullptr;
    ILauncher* launcher = nullptr;
    IProxyCredentialPrompt* proxyPrompt = nullptr;  // null: proxy passwords are refused
    kivtransfer::IRunReport* runReport = nullptr;   // null: the run is reported only to the dialog
    // The assistant program of the protected layout (native or Windows-form
    // path). The module fills it in with the program next to itself when the
    // host leaves it empty; tests name their own.
    std::string assistantProgram;
    // Runs on the worker thread right after it confined its own writes (the
    // protected layout); the hosts leave it empty, tests probe the confinement.
    std::function<void()> onWorkerConfined;
};

}  // namespace kivcontrol
