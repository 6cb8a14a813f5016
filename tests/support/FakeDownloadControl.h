#pragma once
// A download control without a UI for engine tests: it records every message
// sent or posted to the dialog and to the control, answers the control's
// questions from scripts, and cancels through a real eventfd so blocked
// network reads end at once. Sleeps are recorded and cut short.
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "transfer/DownloadControl.h"

struct RecordedMessage {
    enum class Kind { Send, Post, PostToWindow };
    Kind kind;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::string text;  // DLGM_FILENAME (wParam) and DLGM_STATUS (lParam) carry a text

    std::uint64_t Value64() const {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(lParam)) << 32) |
               static_cast<std::uint32_t>(wParam);
    }
};

class FakeDownloadControl : public kivtransfer::IDownloadControl {
public:
    struct ProxyAnswer {
        LRESULT answer = ERROR_INTERNET_FORCE_RETRY;
        std::string user;  // set on the request when not empty
        std::string password;
    };
    struct BrowserDialogAnswer {
        bool delivered = true;
        LRESULT answer = 0;
    };

    FakeDownloadControl();
    ~FakeDownloadControl() override;
    FakeDownloadControl(const FakeDownloadControl&) = delete;
    FakeDownloadControl& operator=(const FakeDownloadControl&) = delete;

    // Adds an item and returns it.
    kivtransfer::CONTENTDATA& AddItem(const std::string& url, const std::string& localPath = {},
                                      const std::string& name = {});

    // Signals the cancel event (from any thread).
    void Cancel();
    // Holds the read gate as teardown does (no further read starts).
    void HoldReadGate() { readGateHeld_ = true; }

    std::vector<RecordedMessage> Messages() const;
    std::vector<RecordedMessage> MessagesOf(UINT message) const;
    std::vector<std::uint32_t> Sleeps() const;
    int ProxyQuestions() const { return proxyQuestions_; }
    int IsCancelledCalls() const { return isCancelledCalls_; }

    // Run state and scripts, set by tests before the run.
    kivtransfer::ErrorState error;
    kivtransfer::ContentList items;
    std::uint64_t remainingBytes = 0;
    std::uint64_t verifyTotalBytes = 0;
    std::uint64_t verifyFileCount = 0;
    bool resumeAllowed = true;
    std::string destinationFolder;
    std::map<std::string, std::string> parameters;
    kivtransfer::TransferTimings timings;
    kivtransfer::CRateMeter meter;
    kivtransfer::IRunReport* report = nullptr;  // what Report() answers
    std::atomic<bool> dialogWindow{true};
    std::atomic<bool> dialogVisible{true};
    std::atomic<bool> controlWindow{true};
    std::atomic<bool> leavePromptPending{false};
    std::deque<ProxyAnswer> proxyAnswers;                  // empty: the user cancels the dialog (0)
    std::deque<BrowserDialogAnswer> browserDialogAnswers;  // empty: delivered, answer 0
    std::mutex pauseMutex;  // a test holds it to play the dialog's cancel question
    std::mutex chunkLock;

    // IDownloadControl
    kivtransfer::ErrorState& Error() override { return error; }
    kivtransfer::ContentList& Items() override { return items; }
    std::uint64_t& RemainingBytes() override { return remainingBytes; }
    std::uint64_t& VerifyTotalBytes() override { return verifyTotalBytes; }
    std::uint64_t& VerifyFileCount() override { return verifyFileCount; }
    bool ResumeAllowed() const override { return resumeAllowed; }
    const std::string& DestinationFolder() const override { return destinationFolder; }
    bool HasAssistant() const override { return false; }
    std::string LookupText(const std::string& name) const override;
    const kivtransfer::TransferTimings& Timings() const override { return timings; }
    kivtransfer::CRateMeter& Meter() override { return meter; }
    bool IsCancelled() override;
    int CancelFd() const override { return cancelFd_; }
    std::atomic<bool>& LeavePromptPending() override { return leavePromptPending; }
    bool TryTakeReadGate() override;
    void ReleaseReadGate() override;
    std::mutex& ChunkLock() override { return chunkLock; }
    bool HasDialogWindow() const override { return dialogWindow; }
    LRESULT SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PostToDialogWindow(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool ControlWindowExists() const override { return controlWindow; }
    LRESULT AskProxyCredentials(win::CHttpFile& request) override;
    bool AskBrowserDialogOpen(std::uint32_t timeoutMs, LRESULT& answer) override;
    void Sleep(std::uint32_t ms) override;
    kivtransfer::IRunReport* Report() override { return report; }

private:
    void Record(RecordedMessage::Kind kind, UINT message, WPARAM wParam, LPARAM lParam);

    int cancelFd_ = -1;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> readGateHeld_{false};
    std::atomic<int> proxyQuestions_{0};
    std::atomic<int> isCancelledCalls_{0};
    mutable std::mutex recordMutex_;
    std::vector<RecordedMessage> messages_;
    std::vector<std::uint32_t> sleeps_;
};
