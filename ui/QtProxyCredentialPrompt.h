#pragma once
// The proxy-password question on Qt, for the control's CTLM_INETERRORDLG.
// Asked for by another thread, it is shown by the UI thread on its behalf.
#include "control/ControlServices.h"

class QObject;

class CQtProxyCredentialPrompt : public kivcontrol::IProxyCredentialPrompt {
public:
    // `uiContext` lives on the UI thread.
    explicit CQtProxyCredentialPrompt(QObject* uiContext) : uiContext_(uiContext) {}

    bool AskProxyCredentials(win::HWND owner, std::string& user, std::string& password) override;

private:
    QObject* uiContext_;
};
