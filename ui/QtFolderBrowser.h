#pragma once
// The control's folder dialog on Qt. Asked for by the worker thread, it is
// shown by the UI thread on the worker's behalf while a proxy window titled
// "Browse for Folder" stands in for it among the worker's windows, so the
// control can close it (WM_CLOSE ends it as a cancel).
#include "control/ControlServices.h"

class QObject;

class CQtFolderBrowser : public kivcontrol::IFolderBrowser {
public:
    // `uiContext` lives on the UI thread.
    explicit CQtFolderBrowser(QObject* uiContext) : uiContext_(uiContext) {}

    int Browse(win::HWND owner, const std::string& prompt, unsigned flags,
               const KIVTOOLCommon::CItemIDList& initialSelection,
               KIVTOOLCommon::CItemIDList& result) override;

private:
    QObject* uiContext_;
};
