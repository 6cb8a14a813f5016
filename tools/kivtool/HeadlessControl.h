#pragma once
// A download control without windows, for running the engine from the
// command line: it holds the run state, is never cancelled, answers every
// question with "no", and counts the messages sent and posted to the dialog
// instead of showing them.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "transfer/DownloadControl.h"

class CHeadlessControl : public kivtransfer::IDownloadControl {
public:
    CHeadlessControl();
    ~CHeadlessControl() override;
    CHeadlessControl(const CHeadlessControl&) = delete;
    CHeadlessControl& operator=(const CHeadlessControl&) = delete;

    kivtransfer::CONTENTDATA& AddItem(const std::string& url, const std::string& localPath);

    std::uint64_t Sends() const { return sends_; }
    std::uint64_t Posts() const { return posts_; }

    kivtransfer::ErrorState& Error() override { return error_; }
    kivtransfer::ContentList& Items() override { return items_; }
    std::uint64_t& RemainingBytes() override { return remainingBytes_; }
    std::uint64_t& VerifyTotalBytes() override { return verifyTotalBytes_; }
    std::uint64_t& VerifyFileCount() override { return verifyFileCount_; }
    bool ResumeAllowed() const override { return false; }
    const std::string& DestinationFolder() const override { return destinationFolder_; }
    bool HasAssistant() const override { return false; }
    std::string LookupText(const std::string& /*name*/) const override { return {}; }
    const kivtransfer::TransferTimings& Timings() const override { return timings_; }
    kivtransfer::CRateMeter& Meter() override { return meter_; }
    bool IsCancelled() override { return false; }
    int CancelFd() const override { return cancelFd_; }
    std::atomic<bool>& LeavePromptPending() override { return leavePromptPending_; }
    bool TryTakeReadGate() override { return true; }
    void ReleaseReadGate() override {}
    std::mutex& ChunkLock() override { return chunkLock_; }
    bool HasDialogWindow() const override { return true; }
    LRESULT SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PostToDialogWindow(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool ControlWindowExists() const override { return false; }
    LRESULT AskProxyCredentials(win::CHttpFile& request) override;
    bool AskBrowserDialogOpen(std::uint32_t timeoutMs, LRESULT& answer) override;
    void Sleep(std::uint32_t ms) override;

private:
    kivtransfer::ErrorState error_;
    kivtransfer::ContentList items_;
    std::uint64_t remainingBytes_ = 0;
    std::uint64_t verifyTotalBytes_ = 0;
    std::uint64_t verifyFileCount_ = 0;
    std::string destinationFolder_;
    kivtransfer::TransferTimings timings_;
    kivtransfer::CRateMeter meter_;
    int cancelFd_ = -1;  // an eventfd nobody signals
    std::atomic<bool> leavePromptPending_{false};
    std::mutex chunkLock_;
    std::atomic<std::uint64_t> sends_{0};
    std::atomic<std::uint64_t> posts_{0};
};
