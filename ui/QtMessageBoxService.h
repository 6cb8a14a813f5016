#pragma once
// The control's message boxes on Qt. A box asked for on the UI thread is a
// window of that thread; one asked for by another thread (the worker's
// phase-1 questions) is shown by the UI thread on its behalf, with a proxy
// window on the asking thread standing in for it, so the control finds and
// dismisses it among that thread's windows either way.
#include "control/ControlServices.h"

class QObject;

class CQtMessageBoxService : public kivcontrol::IMessageBoxService {
public:
    // `uiContext` lives on the UI thread.
    explicit CQtMessageBoxService(QObject* uiContext) : uiContext_(uiContext) {}

    int ShowMessageBox(win::HWND owner, const std::string& text, const std::string& caption,
                       unsigned style) override;
    int ShowStandardMessageBox(const std::string& text, const std::string& caption,
                               unsigned style) override;

private:
    QObject* uiContext_;
};
