#pragma once
// One attempt at downloading one item into its local file. See FileTransfer()
// in HttpTransfer.h for the contract; this class holds the attempt's state.
#include <cstdint>
#include <memory>

#include "platform/HttpConnection.h"
#include "platform/HttpFile.h"
#include "platform/InternetSession.h"
#include "transfer/DigestPipe.h"
#include "transfer/DownloadControl.h"
#include "transfer/HttpTransfer.h"
#include "transfer/PartialFile.h"
#include "transfer/RequestTarget.h"
#include "transfer/TransferProgress.h"
#include "transfer/TransferResult.h"

namespace kivtransfer {

class CFileTransfer {
public:
    CFileTransfer(IDownloadControl& control, const FileTransferRequest& request);
    ~CFileTransfer();
    CFileTransfer(const CFileTransfer&) = delete;
    CFileTransfer& operator=(const CFileTransfer&) = delete;

    // True when the item is now complete on disk; else the error state says why.
    bool Run();

private:
    TransferResult Transfer();
    TransferResult TransferToFile(bool resume);
    TransferResult PrepareLocalFile(bool resume);
    TransferResult TestFreeSpace();
    TransferResult SendGet();
    TransferResult JudgeRangeAnswer(win::DWORD status);
    TransferResult SourceChanged();
    void RecordInVersionFile();
    void ClaimFile();
    void StartDigest();
    bool DigestContinuesFile(const CWrittenDigest& digest);
    bool OpenToReadBack(win::CFile& reader);
    void EndDigest();
    TransferResult Receive();
    TransferOutcome<char*> NextBuffer();
    bool PauseWhileLeavePromptIsUp();
    TransferOutcome<bool> ReceiveChunk(char* buffer);
    TransferResult TestRoomForUnsizedBody();
    TransferResult FileFailure(win::DWORD osError);
    void Release();
    void DiscardFileIfUnwanted();
    void CountFailure();

    IDownloadControl& control_;
    const FileTransferRequest& request_;
    CONTENTDATA& item_;
    ErrorState& error_;
    CTransferProgress progress_;
    RequestTarget target_;
    std::unique_ptr<win::CHttpConnection> connection_;
    std::unique_ptr<win::CHttpFile> get_;
    CPartialFile file_;
    std::unique_ptr<char[]> buffer_;           // one chunk, reused for the whole body
    std::unique_ptr<CDigestPipe> digestPipe_;  // with a hash: hashes what is written
    std::uint64_t offset_ = 0;                 // bytes the file held when the body began
    std::uint64_t received_ = 0;
    std::uint64_t nextRoomTest_ = 0;  // file length at which a body of unknown size is checked
    std::int32_t connectRetriesAtStart_ = 0;
    std::int32_t sizeRetriesAtStart_ = 0;
    bool createdFile_ = false;   // this attempt made the local file (anew)
    bool bodyStarted_ = false;   // the file is recorded and the body is being written
    bool rangeRefused_ = false;  // a range was asked for and the whole file came
    bool discardFile_ = false;   // what was written must not stay
};

}  // namespace kivtransfer
