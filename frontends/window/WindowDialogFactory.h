#pragma once
// Makes the download dialog for the control and embeds it in the page: the
// control's window has no widget of its own, so the dialog's widget is taken
// into the page view before the control shows it.
#include "control/ControlServices.h"
#include "ui/QtDialogFactory.h"

class CWindowPageView;

class CWindowDialogFactory : public kivcontrol::IDialogFactory {
public:
    // `launcher` opens the about link (may be null).
    CWindowDialogFactory(CWindowPageView& view, kivcontrol::ILauncher* launcher)
        : dialogs_(launcher), view_(view) {}

    // UI thread. Null with the thread's last error when the dialog cannot be made.
    std::unique_ptr<kivcontrol::IDownloadDialog> CreateDownloadDialog(win::HWND parent) override;

private:
    CQtDialogFactory dialogs_;
    CWindowPageView& view_;
};
