#pragma once
// What the download dialog shows, whichever front end draws it: the DLGM_
// messages of the control and the worker applied with the dialog's rules
// (status line and its "(n/N)" counter, file line, the current file's bar
// and byte text, the overall bar, the rate and time fields, the link, whether
// Cancel is offered). Both the Qt dialog and the terminal render this; only
// this class decodes the messages (64-bit halves, signed 32-bit numbers).
//
// The overall bar is filled by the bytes of the run whose sizes are known
// (DLGM_RUNBYTES), by the count of files when none is; its text stays "n / N".
// When verification ends the rate and time fields are cleared and stay so.
//
// Applying a message formats nothing that arrives with every chunk: byte
// texts are made when a renderer asks, the rate text only when the rate moves.
#include <cstdint>
#include <string>

#include "platform/WindowTypes.h"

namespace kivui {

// Which parts a message changed (bits).
enum DialogPart : unsigned {
    kPartStatus = 1u << 0,   // status line or its counter
    kPartFile = 1u << 1,     // file line
    kPartCurrent = 1u << 2,  // current file's bar
    kPartOverall = 1u << 3,  // overall bar
    kPartRate = 1u << 4,
    kPartTime = 1u << 5,
    kPartMode = 1u << 6,  // download or verification: the time label and the cancel question
    kPartLink = 1u << 7,
    kPartCancel = 1u << 8,   // Cancel offered or not
    kPartCaption = 1u << 9,  // the window text
};

struct DialogChanges {
    unsigned parts = 0;
    bool Any() const { return parts != 0; }
    bool Has(unsigned part) const { return (parts & part) != 0; }
    // The status, the file or the count moved: worth a line of its own in a log.
    bool Milestone() const { return Has(kPartStatus | kPartFile); }
};

struct DialogBar {
    bool shown = true;
    bool busy = false;
    int percent = 0;   // filled part, 0..100
    std::string text;  // drawn on the bar
};

class CDownloadDialogModel {
public:
    void SetCaption(const std::string& caption);
    // Applies one of the dialog's messages; others change nothing.
    DialogChanges Apply(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

    const std::string& WindowText() const { return windowText_; }  // caption, then "(n/N)"
    bool StatusShown() const { return statusShown_; }
    const std::string& StatusLine() const { return statusLine_; }  // with its counter
    const std::string& StatusText() const { return statusText_; }  // without
    bool FileShown() const { return fileShown_; }
    const std::string& FileName() const { return fileName_; }
    const std::string& FileLine() const { return fileLine_; }  // "File name: %s"
    int Mode() const { return mode_; }                         // 0 download, 1 verification
    // "Download complete in" or, while verifying, "Verification complete in".
    std::string TimeLabel() const;

    DialogBar Current() const;
    std::uint64_t CurrentTotal() const { return currentTotal_; }
    std::uint64_t CurrentDone() const { return currentDone_; }
    bool CurrentComplete() const { return currentTotal_ != 0 && currentDone_ == currentTotal_; }

    DialogBar Overall() const;
    int FilesCounted() const { return overallPos_; }  // n of "n / N"
    int FilesInRange() const { return overallUpper_; }
    std::uint64_t RunBytes() const { return runBytes_; }
    std::uint64_t RunBytesDone() const;

    const std::string& RateText() const { return rateText_; }
    const std::string& TimeText() const { return timeText_; }
    bool LinkShown() const { return linkShown_; }
    // Offered from the first file name until the run ends or is cancelled.
    bool CancelEnabled() const { return cancelEnabled_; }
    void DisableCancel() { cancelEnabled_ = false; }

private:
    DialogChanges OnFileName(const char* name);
    DialogChanges OnStatus(win::WPARAM mode, const char* text);
    DialogChanges OnCurrentBusy(bool busy, int showCommand);
    DialogChanges OnCurrentTotal(std::uint64_t total);
    DialogChanges OnCurrentPos(std::uint64_t done);
    DialogChanges OnOverallBusy(bool busy, int showCommand);
    DialogChanges OnOverallRange(int lower, int upper);
    DialogChanges OnOverallStep(win::WPARAM flag);
    DialogChanges OnRunBytes(std::uint64_t total);
    DialogChanges OnRateTime(long long rateKb, long long seconds);
    DialogChanges EndVerificationIfDone();
    DialogChanges ClearRateAndTime();
    void UpdateCounterTexts();

    std::string caption_;
    std::string windowText_;
    bool statusShown_ = false;
    std::string statusText_;  // without the counter
    std::string statusLine_;
    bool fileShown_ = false;
    std::string fileName_;
    std::string fileLine_;
    int mode_ = 0;

    bool currentShown_ = true;
    bool currentBusy_ = false;
    bool currentHasCount_ = false;  // a count arrived since the bar was last reset
    std::uint64_t currentTotal_ = 0;
    std::uint64_t currentDone_ = 0;
    bool currentInRun_ = false;  // the current numbers are of the file being counted

    bool overallShown_ = true;
    bool overallBusy_ = false;
    std::string overallText_;  // "n / N" once a file is counted
    int overallLower_ = 0;
    int overallUpper_ = 10;
    int overallPos_ = 0;
    std::uint64_t runBytes_ = 0;     // known sizes of the phase's files
    std::uint64_t bytesBefore_ = 0;  // of the files counted before the current one

    long long rateKb_ = -2;  // the number the rate text was made from
    std::string rateText_;
    std::string timeText_;
    bool verificationEnded_ = false;  // rate and time stay empty
    bool linkShown_ = false;
    bool cancelEnabled_ = false;
};

}  // namespace kivui
