#pragma once
// Creates the download dialog for the control: a child of the control's
// window, and of its widget when the window has one.
#include "control/ControlServices.h"

class QWidget;

class CQtDialogFactory : public kivcontrol::IDialogFactory {
public:
    // `launcher` opens the about link (may be null: the link does nothing).
    explicit CQtDialogFactory(kivcontrol::ILauncher* launcher = nullptr) : launcher_(launcher) {}

    // UI thread. Null with ERROR_INVALID_WINDOW_HANDLE when `parent` is not a window.
    std::unique_ptr<kivcontrol::IDownloadDialog> CreateDownloadDialog(win::HWND parent) override;

private:
    kivcontrol::ILauncher* launcher_;
};
