#pragma once
// Makes the terminal's download dialog for the control.
#include <atomic>
#include <memory>

#include "control/ControlServices.h"
#include "frontends/terminal/TerminalCancel.h"
#include "frontends/terminal/TerminalConsole.h"
#include "frontends/terminal/TerminalMessageBox.h"
#include "frontends/terminal/TerminalRunLog.h"

namespace kivterm {

class CTerminalDialogFactory : public kivcontrol::IDialogFactory {
public:
    CTerminalDialogFactory(CTerminalConsole& console, CTerminalMessageBoxService& boxes,
                           CTerminalCancel& cancel, CTerminalRunLog& log, bool quiet)
        : console_(console), boxes_(boxes), cancel_(cancel), log_(log), quiet_(quiet) {}

    // Window thread. Null with the thread's last error when the window cannot be made.
    std::unique_ptr<kivcontrol::IDownloadDialog> CreateDownloadDialog(win::HWND parent) override;
    // Dialogs made so far.
    int Created() const { return created_; }

private:
    CTerminalConsole& console_;
    CTerminalMessageBoxService& boxes_;
    CTerminalCancel& cancel_;
    CTerminalRunLog& log_;
    const bool quiet_;
    std::atomic<int> created_{0};
};

}  // namespace kivterm
