#pragma once
// What the download dialog shows, kept as the terminal display draws it:
// every DLGM_ message applied with the dialog's rules (status line with its
// counter, file name line, current-file bar with its byte text, overall bar
// with n / N, rate and time fields). Texts are in the process code page.
#include <cstdint>
#include <string>

#include "platform/WindowTypes.h"
#include "ui/text/RateTimeText.h"

namespace kivterm {

enum class ModelChange {
    None,
    Progress,   // numbers moved
    Milestone,  // the status line or the file changed: worth a line of its own
};

struct TerminalBar {
    bool shown = true;
    bool busy = false;
    int percent = 0;   // filled part, 0..100
    std::string text;  // drawn on the bar
};

class CTerminalDialogModel {
public:
    void SetCaption(const std::string& caption) { windowText_ = caption_ = caption; }
    // Applies one of the dialog's messages (others change nothing).
    ModelChange Apply(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

    bool StatusShown() const { return statusShown_; }
    const std::string& StatusLine() const { return statusLine_; }
    bool FileShown() const { return fileShown_; }
    const std::string& FileLine() const { return fileLine_; }
    const TerminalBar& Current() const { return current_; }
    TerminalBar Overall() const;
    const std::string& RateText() const { return fields_.Rate(); }
    const std::string& TimeText() const { return fields_.Time(); }
    // "Download complete in" or, in the verification phase, "Verification complete in".
    std::string TimeLabel() const;
    int Mode() const { return mode_; }
    bool LinkShown() const { return linkShown_; }
    // The caption, with "(n/N)" once files are counted.
    const std::string& WindowText() const { return windowText_; }

    // Cancel is offered from the first file name until the run ends or is cancelled.
    bool CancelEnabled() const { return cancelEnabled_; }
    void DisableCancel() { cancelEnabled_ = false; }

private:
    ModelChange OnFileName(const char* name);
    ModelChange OnStatus(win::WPARAM mode, const char* text);
    void OnCurrentBusy(bool busy, int showCommand);
    void OnCurrentTotal(std::uint64_t total);
    ModelChange OnCurrentPos(std::uint64_t done);
    void OnOverallBusy(bool busy, int showCommand);
    void OnOverallRange(int lower, int upper);
    ModelChange OnOverallStep(win::WPARAM flag);

    std::string caption_;
    std::string windowText_;
    bool statusShown_ = false;
    std::string statusLine_;
    std::string statusText_;  // without the counter
    bool fileShown_ = false;
    std::string fileLine_;
    int mode_ = 0;
    TerminalBar current_;
    std::uint64_t currentTotal_ = 0;
    bool overallShown_ = true;
    bool overallBusy_ = false;
    std::string overallText_;
    int overallLower_ = 0;
    int overallUpper_ = 10;
    int overallPos_ = 0;
    kivui::CRateTimeFields fields_;
    bool linkShown_ = false;
    bool cancelEnabled_ = false;
};

}  // namespace kivterm
