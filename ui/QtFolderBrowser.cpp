#include "ui/QtFolderBrowser.h"

#include <QDialog>
#include <memory>

#include "env/ItemIDList.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "ui/FolderDialog.h"
#include "ui/ProxyWindow.h"
#include "ui/WidgetWindow.h"
#include "ui/WindowWidgets.h"

namespace {

// One browse on the UI thread; `onOpen` sees the window before it runs.
int BrowseOnUiThread(win::HWND owner, const std::string& prompt, unsigned flags,
                     const KIVTOOLCommon::CItemIDList& initialSelection,
                     KIVTOOLCommon::CItemIDList& result,
                     const std::function<void(QDialog&)>& onOpen) {
    const KIVTOOLCommon::CItemIDList desktop = KIVTOOLCommon::CItemIDList::Desktop();
    KIVTOOLCommon::CFolderDialog dialog(kivui::WidgetOfWindow(owner), &desktop, &initialSelection,
                                        prompt, flags);
    dialog.SetOpenHook(onOpen);
    const int answer = dialog.Browse();
    if (answer == IDOK) {
        result = dialog.CopySelection();
    }
    return answer;
}

}  // namespace

int CQtFolderBrowser::Browse(win::HWND owner, const std::string& prompt, unsigned flags,
                             const KIVTOOLCommon::CItemIDList& initialSelection,
                             KIVTOOLCommon::CItemIDList& result) {
    if (kivui::OnThreadOf(uiContext_)) {
        // A window of this thread, so WM_CLOSE from the control reaches it.
        std::unique_ptr<CWidgetWindow> window;
        return BrowseOnUiThread(
            owner, prompt, flags, initialSelection, result,
            [&](QDialog& dialog) { window = std::make_unique<CWidgetWindow>(&dialog, owner); });
    }
    // The UI thread may still run the dialog after a dismissal ended the wait
    // here, so it works on its own copies.
    auto chosen = std::make_shared<KIVTOOLCommon::CItemIDList>();
    CProxyWindow proxy(res::LoadString(textid::kBrowseForFolder), owner);
    proxy.SetCloseResult(IDCANCEL);
    const int answer = proxy.RunModal(
        uiContext_, [owner, prompt, flags, initialSelection, chosen](CProxySession& session) {
            if (session.Ended()) {
                return IDCANCEL;
            }
            return BrowseOnUiThread(owner, prompt, flags, initialSelection, *chosen,
                                    [&session](QDialog& dialog) { session.Attach(&dialog); });
        });
    // The UI thread's answer counts only when the wait was not cut short.
    if (answer == IDOK) {
        result = *chosen;
        return IDOK;
    }
    return IDCANCEL;
}
