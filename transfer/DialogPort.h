#pragma once
// What the engine tells the dialog and the host: progress and status
// messages (the DLGM_ vocabulary of transfer/ControlMessages.h) and the
// host's own account of the run. Called on the worker thread.
#include "transfer/ControlMessages.h"
#include "transfer/RunReport.h"

namespace kivtransfer {

class IDialogPort {
public:
    virtual ~IDialogPort() = default;
    // Sends wait for the dialog (only while its window exists); 0 when
    // nothing was sent. Posts never wait: PostToDialog posts only while the
    // dialog is visible, PostToDialogWindow straight to its window.
    virtual LRESULT SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual bool PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual bool PostToDialogWindow(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The host's account of the run; null when it keeps none.
    virtual IRunReport* Report() { return nullptr; }
};

}  // namespace kivtransfer
