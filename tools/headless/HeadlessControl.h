#pragma once
// A download control without windows, for running the engine from the
// command line, in benchmarks and in tests. It holds the run state, cancels
// through a real eventfd (so a blocked network read ends at once), answers
// the two questions from scripts (none: the proxy dialog is cancelled, the
// browser's leave question is closed) and counts the messages sent and
// posted to the dialog; tests also have them recorded and sleeps cut short.
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

class CHeadlessControl : public kivtransfer::IDownloadControl {
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

    // Throws std::runtime_error when the cancel eventfd cannot be made.
    CHeadlessControl();
    ~CHeadlessControl() override;
    CHeadlessControl(const CHeadlessControl&) = delete;
    CHeadlessControl& operator=(const CHeadlessControl&) = delete;

    // Adds an item and returns it.
    kivtransfer::CONTENTDATA& AddItem(const std::string& url, const std::string& localPath = {},
                         const std::string& name = {});

    // Signals the cancel event (from any thread).
    void Cancel();
    // Holds the read gate as teardown does (no further read starts).
    void HoldReadGate() { readGateHeld_ = true; }

    std::uint64_t Sends() const { return sends_; }
    std::uint64_t Posts() const { return posts_; }
    // Only while recordMessages is set.
    std::vector<RecordedMessage> Messages() const;
    std::vector<RecordedMessage> MessagesOf(UINT message) const;
    std::vector<std::uint32_t> Sleeps() const;
    int ProxyQuestions() const { return proxyQuestions_; }
    int IsCancelledCalls() const { return isCancelledCalls_; }

    // How it behaves; set before the run.
    bool recordMessages = false;              // keep every message, not only count them
    std::optional<std::uint32_t> sleepCapMs;  // sleeps last at most this long

    // Run state and scripts, set before the run.
    kivtransfer::ErrorState error;
    kivtransfer::ContentList items;
    kivtransfer::CRunCounters counters;
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
    std::mutex pauseMutex;  // held to play the dialog's cancel question
    std::mutex chunkLock;

    // IRunState
    kivtransfer::ErrorState& Error() override { return error; }
    kivtransfer::ContentList& Items() override { return items; }
    kivtransfer::CRateMeter& Meter() override { return meter; }
    kivtransfer::CRunCounters& Counters() override { return counters; }
    // IRunSettings
    bool ResumeAllowed() const override { return resumeAllowed; }
    const std::string& DestinationFolder() const override { return destinationFolder; }
    bool HasAssistant() const override { return false; }
    std::string LookupText(const std::string& name) const override;
    const kivtransfer::TransferTimings& Timings() const override { return timings; }
    // IRunGate
    bool IsCancelled() override;
    int CancelFd() const override { return cancelFd_; }
    bool TryTakeReadGate() override;
    void ReleaseReadGate() override { readGateHeld_ = false; }
    std::unique_lock<std::mutex> HoldChunkLock() override { return std::unique_lock(chunkLock); }
    void Sleep(std::uint32_t ms) override;
    // IDialogPort
    LRESULT SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PostToDialogWindow(UINT message, WPARAM wParam, LPARAM lParam) override;
    kivtransfer::IRunReport* Report() override { return report; }
    // IUserQuestions
    bool ControlWindowExists() const override { return controlWindow; }
    LRESULT AskProxyCredentials(win::CHttpFile& request) override;
    bool AskBrowserDialogOpen(std::uint32_t timeoutMs, LRESULT& answer) override;
    void SetLeavePromptPending() override { leavePromptPending = true; }
    bool TakeLeavePromptPending() override { return leavePromptPending.exchange(false); }

private:
    void Record(RecordedMessage::Kind kind, UINT message, WPARAM wParam, LPARAM lParam);

    int cancelFd_ = -1;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> readGateHeld_{false};
    std::atomic<int> proxyQuestions_{0};
    std::atomic<int> isCancelledCalls_{0};
    std::atomic<std::uint64_t> sends_{0};
    std::atomic<std::uint64_t> posts_{0};
    mutable std::mutex recordMutex_;
    std::vector<RecordedMessage> messages_;
    std::vector<std::uint32_t> sleeps_;
};
