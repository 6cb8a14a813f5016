#pragma once
// The download dialog as a live terminal display: a child window of the
// control's window on the window thread that takes the DLGM_ messages into
// its model and draws it. On a terminal the frame is redrawn in place at
// most ten times a second (its timer); otherwise a plain line is printed at
// every status or file change and, when something changed, every two seconds.
// Ctrl+C reaches it as its cancel command (TerminalCancel.h).
#include <optional>
#include <string>
#include <vector>

#include "control/ControlServices.h"
#include "host/TerminalCancel.h"
#include "host/TerminalConsole.h"
#include "host/TerminalDialogModel.h"
#include "host/TerminalDialogView.h"
#include "host/TerminalMessageBox.h"

namespace kivterm {

class CTerminalDownloadDialog : public IDownloadDialog {
public:
    static constexpr win::UINT_PTR kRedrawTimer = 1;
    static constexpr win::UINT kFrameIntervalMs = 100;
    static constexpr win::UINT kLineIntervalMs = 2000;

    CTerminalDownloadDialog(CTerminalConsole& console, CTerminalMessageBoxService& boxes,
                            CTerminalCancel& cancel);
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

    const CTerminalDialogModel& Model() const { return model_; }

private:
    win::LRESULT WindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                            win::LPARAM lParam);
    void OnChange(ModelChange change);
    void OnTimer();
    void OnInterrupt();
    void OnCancelCommand();
    void OnDestroy();
    std::vector<std::string> Frame() const;
    // What the console shows before other output: the frame, or the line not printed yet.
    std::vector<std::string> Display();
    // The plain line when it differs from the last one printed (then marked printed).
    std::optional<std::string> NewLine(bool progress);
    void PrintLineIfChanged(bool progress);

    CTerminalConsole& console_;
    CTerminalMessageBoxService& boxes_;
    CTerminalCancel& cancel_;
    CTerminalDialogModel model_;
    CTerminalDialogView view_;
    win::HWND window_ = nullptr;
    bool created_ = false;
    std::string caption_;
    win::HANDLE cancelEvent_ = nullptr;  // borrowed from the control
    win::HANDLE pauseMutex_ = nullptr;   // borrowed from the control
    bool frameDirty_ = true;
    unsigned tick_ = 0;
    std::string lastLine_;
    bool linkPrinted_ = false;
};

}  // namespace kivterm
