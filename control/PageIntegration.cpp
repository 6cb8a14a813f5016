#include "control/PageIntegration.h"

#include "platform/Message.h"
#include "platform/Window.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/ErrorCodes.h"

namespace kivcontrol {

using kivtransfer::ErrorState;

namespace {

// E_POINTER: a control without the browser service cannot reach the page.
constexpr std::int32_t kNoBrowserHost = static_cast<std::int32_t>(0x80004003u);

constexpr unsigned kBrowserBoxTitles[] = {34, 35};
constexpr std::uint32_t kAssistantEndWaitMs = 10000;
constexpr int kTitleBufferSize = 2048;

bool Failed(std::int32_t result) {
    return result < 0;
}

// Stores a failed step; true when the step succeeded.
bool Step(ErrorState& error, std::int32_t result, std::int32_t code) {
    if (!Failed(result)) return true;
    error.Set(code, static_cast<std::uint32_t>(result));
    return false;
}

bool NothingToProtect(IPageContext& control) {
    return control.DestinationFolder().empty() || control.Error().errorCode != errcode::kNone ||
           !control.TransferActive();
}

// The page goes away without a question: everything that could hold it up
// is closed and the run is cancelled.
void LetPageGo(IPageContext& control, IBrowserHost* browser) {
    // (This window layer has no mouse capture that could be left behind.)
    control.SetPageClosing();
    CloseMessageBoxes(control, control.DialogThreadId());
    if (!control.HasAssistant()) CloseMessageBoxes(control, control.WorkerThreadId());
    control.SendToDialog(DLGM_CANCELSIGNAL, 0, 0);
    if (control.HasAssistant()) {
        control.WaitForAssistantEnd(kAssistantEndWaitMs);
    } else {
        CloseFolderDialog(control);
    }
    if (browser != nullptr) browser->BringToForeground();
}

// The browser asks the user with our text whether to leave; the worker
// pauses while that question is open.
void AskBeforeLeaving(IPageContext& control, IBrowserHost* browser) {
    const win::HWND dialog = control.DialogWindow();
    if (browser != nullptr && dialog != nullptr && win::IsWindowVisible(dialog)) {
        browser->SetBeforeUnloadText(
            res::LoadString(textid::kLeaveWarning) +
            res::FormatString(textid::kLeaveConsequence, {control.Caption()}));
    }
    control.SetLeavePromptPending();
}

bool IsBrowserBoxTitle(win::HWND window) {
    char buffer[kTitleBufferSize];
    const int length = win::GetWindowText(window, buffer, kTitleBufferSize);
    const std::string title(buffer, static_cast<std::size_t>(length));
    for (unsigned id : kBrowserBoxTitles) {
        if (title == res::LoadString(id)) return true;
    }
    return false;
}

bool AnyBrowserBoxWindow() {
    bool found = false;
    win::EnumWindows([&found](win::HWND window) {
        found = IsBrowserBoxTitle(window);
        return found ? win::FALSE : win::TRUE;
    });
    return found;
}

}  // namespace

bool ConnectToPage(IPageContext& control, IPageEvents& sink, std::uint32_t& cookie) {
    ErrorState& error = control.Error();
    IBrowserHost* browser = control.Services().browser;
    if (browser == nullptr) return Step(error, kNoBrowserHost, errcode::kNoServiceProvider);
    return Step(error, browser->QueryServiceProvider(), errcode::kNoServiceProvider) &&
           Step(error, browser->QueryBrowser(), errcode::kNoBrowser) &&
           Step(error, browser->QueryDocument(), errcode::kNoDocument) &&
           Step(error, browser->QueryPageWindow(), errcode::kNoPageWindow) &&
           Step(error, browser->ConnectPageEvents(sink, cookie), errcode::kPageEventsNotConnected);
}

bool WouldAskBeforeLeaving(IPageContext& control) {
    return !control.Aborted() && !NothingToProtect(control);
}

void OnBeforeUnload(IPageContext& control) {
    if (control.Aborted()) return;
    IBrowserHost* browser = control.Services().browser;
    if (WouldAskBeforeLeaving(control)) {
        AskBeforeLeaving(control, browser);
    } else {
        LetPageGo(control, browser);
    }
}

void OnUnload(IPageContext& control) {
    if (control.Aborted()) return;
    CloseMessageBoxes(control, control.DialogThreadId());
    // The dialog's cancel question may hold it on this very thread.
    control.ReleasePauseMutex();
    // Between two chunks, so no chunk is half written when the run stops.
    const std::unique_lock betweenChunks = control.HoldChunkLock();
    control.SendToDialog(DLGM_CANCELSIGNAL, 0, 0);
    control.CloseInstanceMutex();
}

LRESULT QuitBrowser(IPageContext& control) {
    IBrowserHost* browser = control.Services().browser;
    if (browser == nullptr || control.Aborted() || !browser->HasClientSite()) return 0;
    if (!Failed(browser->QueryServiceProvider()) && !Failed(browser->QueryBrowser())) {
        browser->Quit();
    }
    return 0;
}

LRESULT DetectBrowserDialog(IPageContext& control) {
    const win::HWND window = control.ControlWindow();
    if (!win::IsWindow(window) || win::GetAncestor(window, win::GA_ROOT) == nullptr) return 0;
    // Our host shows its leave question its own way; it tells us directly.
    IBrowserHost* browser = control.Services().browser;
    if (browser != nullptr && browser->IsLeaveQuestionOpen()) return 1;
    return AnyBrowserBoxWindow() ? 1 : 0;
}

}  // namespace kivcontrol
