#include "frontends/window/WindowDialogFactory.h"

#include "frontends/window/WindowPageView.h"
#include "ui/WindowWidgets.h"

using kivcontrol::IDownloadDialog;

std::unique_ptr<IDownloadDialog> CWindowDialogFactory::CreateDownloadDialog(win::HWND parent) {
    std::unique_ptr<IDownloadDialog> dialog = dialogs_.CreateDownloadDialog(parent);
    if (dialog != nullptr) view_.EmbedDialog(kivui::WidgetOfWindow(dialog->Window()));
    return dialog;
}
