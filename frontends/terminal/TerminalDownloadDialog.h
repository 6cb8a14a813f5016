#pragma once
// The download dialog on the terminal: a child window of the control's
// window on the window thread that takes the DLGM_ messages into the
// dialog's model and shows it. On a live terminal the display is redrawn in
// place at most ten times a second (its timer); otherwise a progress line is
// printed at most every five seconds, when something moved. A new status is
// a line of the run's log. With --quiet nothing of it is shown. Ctrl+C
// reaches it as its cancel command (TerminalCancel.h).
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "control/ControlServices.h"
#include "frontends/terminal/TerminalCancel.h"
#include "frontends/terminal/TerminalConsole.h"
#include "frontends/terminal/TerminalDialogView.h"
#include "frontends/terminal/TerminalMessageBox.h"
#include "frontends/terminal/TerminalRunLog.h"
#include "ui/text/DownloadDialogModel.h"

namespace kivterm {

class CTerminalDownloadDialog : public kivcontrol::IDownloadDialog {
public:
    static constexpr win::UINT_PTR kRedrawTimer = 1;
    static constexpr win::UINT kFrameIntervalMs = 100;
    static constexpr win::UINT kLineIntervalMs = 5000;

    CTerminalDownloadDialog(CTerminalConsole& console, CTerminalMessageBoxService& boxes,
                            CTerminalCancel& cancel, CTerminalRunLog& log, bool quiet);
    ~CTerminalDownloadDialog() override;
    CTerminalDownloadDialog(const CTerminalDownloadDialog&) = delete;
    CTerminalDownloadDialog& operator=(const CTerminalDownloadDialog&) = delete;

    // Creates the window (hidden) as a child of `parent`; false with the
    // thread's last error set.
    bool Create(win::HWND parent);

    win::HWND Window() const override { return window_; }
    void SetCreatedFlag(bool created) override { created_ = created; }
    bool CreatedFlag() const override { return created_; }
    void Configure(const std::string& caption, win::HANDLE cancelEvent, win::HANDLE pauseMutex,
                   const std::string& helpLink) override;

    const kivui::CDownloadDialogModel& Model() const { return model_; }

private:
    win::LRESULT WindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                            win::LPARAM lParam);
    void OnChange(const kivui::DialogChanges& changes);
    void OnTimer();
    void OnInterrupt();
    void OnCancelCommand();
    void OnDestroy();
    void ShowLive();
    void PrintProgressLine();
    // A display is due: the timer's WM_TIMER waits while posts keep coming.
    bool DisplayDue() const;

    CTerminalConsole& console_;
    CTerminalMessageBoxService& boxes_;
    CTerminalCancel& cancel_;
    CTerminalRunLog& log_;
    const bool quiet_;
    kivui::CDownloadDialogModel model_;
    CTerminalDialogView view_;
    win::HWND window_ = nullptr;
    bool created_ = false;
    std::string caption_;
    std::string helpLink_;
    win::HANDLE cancelEvent_ = nullptr;  // borrowed from the control
    win::HANDLE pauseMutex_ = nullptr;   // borrowed from the control
    bool dirty_ = true;
    bool runEnded_ = false;  // the display is gone; the log and the summary tell the rest
    std::chrono::steady_clock::time_point lastShown_;
    unsigned tick_ = 0;
    std::string lastStatus_;
    std::string lastProgressLine_;
    bool linkPrinted_ = false;
};

}  // namespace kivterm
