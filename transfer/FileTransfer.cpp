#include "transfer/FileTransfer.h"

#include <strings.h>

#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "env/Application.h"
#include "env/Locations.h"
#include "env/PathRules.h"
#include "platform/FileApi.h"
#include "platform/FileStamp.h"
#include "platform/InternetErrors.h"
#include "platform/InternetException.h"
#include "platform/LastError.h"
#include "transfer/GuardedRead.h"
#include "transfer/HeldFile.h"
#include "transfer/InternetFailure.h"
#include "transfer/ItemRecords.h"
#include "transfer/LeavePromptPause.h"
#include "transfer/LocalFolder.h"
#include "transfer/RequestHeaders.h"
#include "transfer/RetryDecision.h"
#include "transfer/SendRequest.h"
#include "transfer/VersionFile.h"
#include "transfer/VersionFileKey.h"

namespace kivtransfer {

namespace {

static_assert(CDigestPipe::kSlotBytes >= kTransferChunkSize, "a chunk fits in a digest slot");

constexpr win::DWORD HTTP_STATUS_OK = 200;
constexpr win::DWORD HTTP_STATUS_PARTIAL_CONTENT = 206;
// A body of unknown length is written only while this much stays free on its
// volume, tested every kRoomTestStep bytes: a server must not fill the disk.
constexpr std::uint64_t kFreeSpaceMargin = 64ull << 20;
constexpr std::uint64_t kRoomTestStep = 1ull << 20;

bool IsDiskFull(win::DWORD osError) {
    return osError == win::ERROR_DISK_FULL || osError == win::ERROR_HANDLE_DISK_FULL;
}

bool PlaySignalWanted(const IRunSettings& control, std::size_t itemIndex) {
    return itemIndex == 0 && strcasecmp(control.LookupText("playbutton").c_str(), "on") == 0;
}

// The media type of a Content-Type value: "text/html; charset=utf-8" is an
// HTML page as much as "text/html" is.
bool IsHtml(const win::CHttpFile& request) {
    std::string contentType;
    if (!request.QueryInfo(win::HTTP_QUERY_CONTENT_TYPE, contentType)) {
        return false;
    }
    std::string mediaType = contentType.substr(0, contentType.find(';'));
    const auto last = mediaType.find_last_not_of(" \t");
    mediaType.erase(last == std::string::npos ? 0 : last + 1);
    return strcasecmp(mediaType.c_str(), "text/html") == 0;
}

}  // namespace

CFileTransfer::CFileTransfer(IDownloadControl& control, const FileTransferRequest& request)
    : control_(control),
      request_(request),
      item_(*control.Items()[request.itemIndex]),
      error_(control.Error()),
      progress_(control, control, request.toDialog, PlaySignalWanted(control, request.itemIndex)),
      connectRetriesAtStart_(item_.connectRetries),
      sizeRetriesAtStart_(item_.sizeRetries) {}

CFileTransfer::~CFileTransfer() {
    Release();
}

// The attempt's edge: its failure is stored before the attempt lets go of
// the file and the digest, which look at it.
bool CFileTransfer::Run() {
    TransferResult result = TransferResult::Done();
    bool connectionReset = false;
    try {
        result = Transfer();
    } catch (const win::CInternetException& failure) {
        // Opening the connection or the request, or reading the body.
        result = TransferResult::Failed(InternetFailureCode(failure.ErrorNumber()),
                                        failure.ErrorNumber());
        connectionReset = failure.ErrorNumber() == win::ERROR_INTERNET_CONNECTION_RESET;
    } catch (const std::bad_alloc&) {
        result = TransferResult::Failed(errcode::kOutOfMemory);
    }
    result.StoreIn(error_);
    if (connectionReset) {
        control_.Sleep(control_.Timings().resetPauseMs);
    }
    Release();
    if (!result.Ok()) {
        DiscardFileIfUnwanted();
        CountFailure();
    }
    return result.Ok();
}

TransferResult CFileTransfer::Transfer() {
    const bool firstAttempt = item_.connectRetries == 0 && item_.sizeRetries == 0;
    if (firstAttempt && request_.toDialog) {
        control_.PostToDialogWindow(DLGM_CURRENTTOTAL, 0, 0);
    }
    const TransferOutcome<RequestTarget> target = SplitRequestTarget(request_.url);
    if (!target.Ok()) {
        return target.Result();
    }
    target_ = *target;
    if (!env::IsValidFullPath(request_.localPath)) {
        return TransferResult::Failed(errcode::kInvalidLocalPath);
    }
    connection_ = control_.Session().GetHttpConnection(target_.server, target_.port);

    const std::uint32_t flags = item_.flags;
    const bool resume =
        (flags & CDF_RESUME) != 0 || ((flags & CDF_RETRY) != 0 && (flags & CDF_RECEIVING) != 0);
    if (!resume && (flags & CDF_COMPLETE) != 0) {
        // The dialog counts the file's bytes as done like any other's.
        if (firstAttempt && request_.toDialog && item_.size != 0) {
            control_.PostToDialogWindow(DLGM_CURRENTTOTAL, Low32(item_.size), High32(item_.size));
        }
        progress_.Finish(item_.size);
        return TransferResult::Done();
    }
    if (firstAttempt && request_.toDialog) {
        control_.PostToDialogWindow(DLGM_CURRENTTOTAL, Low32(item_.size), High32(item_.size));
    }
    return TransferToFile(resume);
}

TransferResult CFileTransfer::TransferToFile(bool resume) {
    // Only a resumed file can have been there before: a fresh one replaces it.
    item_.heldFile.reset();  // an earlier attempt's file, reopened below
    const bool existed = resume && win::FileExists(request_.localPath);
    if (TransferResult prepared = PrepareLocalFile(resume); !prepared.Ok()) {
        return prepared;
    }
    createdFile_ = !resume || !existed;
    if (item_.size != 0 && offset_ == item_.size) {
        // An earlier attempt received the whole body and failed after it; a
        // range starting at the end would only be refused.
        HoldFile(item_, std::move(file_.File()));
        progress_.Finish(item_.size);
        return TransferResult::Done();
    }
    if (TransferResult room = TestFreeSpace(); !room.Ok()) {
        return room;
    }
    if (TransferResult sent = SendGet(); !sent.Ok()) {
        return sent;
    }
    RecordInVersionFile();
    StartDigest();
    if (TransferResult received = Receive(); !received.Ok()) {
        return received;
    }
    if (item_.size != 0 && offset_ + received_ < item_.size) {
        return TransferResult::Failed(errcode::kShortBody);
    }
    EndDigest();
    HoldFile(item_, std::move(file_.File()));
    progress_.Finish(item_.size);
    return TransferResult::Done();
}

// A fresh file replaces whatever had the name; one that cannot go (another
// run holds it open) is that run's, not ours to start over.
TransferResult CFileTransfer::PrepareLocalFile(bool resume) {
    if (!resume && !env::ForceDeleteFile(request_.localPath)) {  // a missing file is fine
        return FileFailure(win::GetLastError());
    }
    const TransferOutcome<std::uint64_t> length = file_.Open(request_.localPath, resume);
    if (!length.Ok()) {
        return FileFailure(length.Result().LastError());
    }
    offset_ = *length;
    return TransferResult::Done();
}

TransferResult CFileTransfer::TestFreeSpace() {
    if (item_.size == 0) {
        return TransferResult::Done();
    }
    // A file as long as the item or longer needs nothing more.
    const std::uint64_t needed = offset_ < item_.size ? item_.size - offset_ : 0;
    if (!env::HasFreeSpace(LocalFolder(request_.localPath), needed)) {
        return TransferResult::Failed(errcode::kDiskFull, win::GetLastError());
    }
    return TransferResult::Done();
}

TransferResult CFileTransfer::SendGet() {
    if (request_.begunGet != nullptr && *request_.begunGet) {
        get_ = std::move(*request_.begunGet);  // SendRequest re-sends it unless the lines match
    } else {
        get_ = connection_->OpenRequest(win::HTTP_VERB_GET, target_.object, target_.flags);
    }
    const std::string headers =
        TransferHeaders(env::GetProductName(), offset_, item_.lastModified, request_.extraHeaders);
    const TransferOutcome<win::DWORD> status =
        SendRequest(control_, *get_, headers, "GET " + request_.url);
    if (!status.Ok()) {
        return status.Result();
    }
    if (request_.checkContentType && IsHtml(*get_)) {
        return TransferResult::Failed(errcode::kHtmlAnswer, *status);
    }
    return offset_ > 0 ? JudgeRangeAnswer(*status) : TransferResult::Done();
}

TransferResult CFileTransfer::JudgeRangeAnswer(win::DWORD status) {
    std::string lastModified;
    const bool dated = get_->QueryInfo(win::HTTP_QUERY_LAST_MODIFIED, lastModified);
    if (status == HTTP_STATUS_OK) {
        // The whole file instead of the range (ranges ignored, or another
        // version under If-Range): start it over rather than append a second
        // copy. Such an answer is no progress for the retry limits, or a
        // server that always does this and then breaks off would be asked
        // for ever.
        if (TransferResult restarted = file_.Restart(); !restarted.Ok()) {
            return FileFailure(restarted.LastError());
        }
        control_.Counters().AddRemainingBytes(offset_);
        offset_ = 0;
        rangeRefused_ = true;
        if (dated) {
            item_.lastModified = lastModified;
        }
    } else if (status == HTTP_STATUS_PARTIAL_CONTENT && dated && !item_.lastModified.empty() &&
               lastModified != item_.lastModified) {
        return SourceChanged();  // the rest of another version would splice two files
    }
    return TransferResult::Done();
}

// The source is not what its size query described: the download phase asks
// again and starts the item over.
TransferResult CFileTransfer::SourceChanged() {
    item_.flags &= ~(CDF_RECEIVING | CDF_RESUME);
    // This attempt's chunks were no progress for the retry limits.
    item_.connectRetries = connectRetriesAtStart_;
    item_.sizeRetries = sizeRetriesAtStart_;
    ++item_.sourceChanges;
    return TransferResult::Failed(errcode::kShortBody);
}

// Claims the file before its first byte (see ItemRecords.h). The download
// phase claims the files of a page together, so this reads and saves the
// record only after the source changed or for a transfer started alone.
void CFileTransfer::RecordInVersionFile() {
    if (!ClaimKnown(item_, request_.localPath)) {
        ClaimFile();
    }
    buffer_ = std::make_unique<char[]>(kTransferChunkSize);
    bodyStarted_ = true;
    item_.flags |= CDF_RECEIVING;
    control_.Meter().Restart();
}

void CFileTransfer::ClaimFile() {
    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    bool saved = HoldsClaim(control_, item_, request_.localPath, versionFile);
    if (!saved && ClaimItemFile(control_, item_, request_.localPath, versionFile)) {
        saved = ClaimMustReachDisk(item_.size, offset_) ? versionFile.Save()
                                                        : versionFile.SaveWithoutFlush();
    }
    if (saved) NoteClaim(item_, request_.localPath);
}

// With a hash to compare, the digest follows the bytes as they are written
// (from byte 0 on), so the verification need not read the file again. A file
// continued from an earlier attempt of this run is read back only when the
// digest no longer covers it.
void CFileTransfer::StartDigest() {
    if (item_.hash.empty()) {
        return;
    }
    if (!item_.writtenDigest) {
        item_.writtenDigest = std::make_shared<CWrittenDigest>();
    }
    CWrittenDigest& digest = *item_.writtenDigest;
    std::uint64_t prefixBytes = 0;
    win::CFile prefixSource;
    if (!DigestContinuesFile(digest)) {
        digest.Restart();
        prefixBytes = offset_;
        if (prefixBytes > 0 && !OpenToReadBack(prefixSource)) {
            return;  // not carried: the verification reads the file
        }
    }
    try {
        digestPipe_ = std::make_unique<CDigestPipe>(digest, std::move(prefixSource), prefixBytes,
                                                    [this] { return control_.IsCancelled(); });
    } catch (const std::system_error&) {
        digest.Restart();  // no second thread: the verification reads the file
    }
}

bool CFileTransfer::DigestContinuesFile(const CWrittenDigest& digest) {
    if (offset_ == 0) {
        return false;  // a file begun (again) from its first byte
    }
    win::FileStamp stamp;
    return win::GetFileStamp(file_.File(), stamp) && digest.Covers(stamp) &&
           digest.Length() == offset_;
}

// The file being written, opened again to read back what it held; false
// unless the name still leads to that very file.
bool CFileTransfer::OpenToReadBack(win::CFile& reader) {
    const unsigned mode =
        win::CFile::modeRead | win::CFile::shareDenyNone | win::CFile::modeNoFollow;
    win::FileStamp written;
    win::FileStamp opened;
    return reader.Open(request_.localPath, mode) && win::GetFileStamp(file_.File(), written) &&
           win::GetFileStamp(reader, opened) && opened.device == written.device &&
           opened.inode == written.inode;
}

// The digest stands for the file only when every byte written was hashed,
// and only until the file changes after the stamp sealed here.
void CFileTransfer::EndDigest() {
    if (!digestPipe_) {
        return;
    }
    CWrittenDigest& digest = *item_.writtenDigest;
    bool whole = false;
    if (error_.errorCode == errcode::kCancelled) {
        digestPipe_->Abandon();  // cancelled: the run ends
    } else {
        whole = digestPipe_->Finish();
    }
    digestPipe_.reset();
    win::FileStamp stamp;
    if (whole && win::SealFileStamp(file_.File(), stamp)) {
        digest.Seal(stamp);
    } else {
        digest.Restart();
    }
}

TransferResult CFileTransfer::Receive() {
    for (;;) {
        if (!PauseWhileLeavePromptIsUp()) {
            return TransferResult::Failed(errcode::kCancelled);
        }
        const TransferOutcome<char*> buffer = NextBuffer();
        if (!buffer.Ok()) {
            return buffer.Result();
        }
        const TransferOutcome<bool> more = ReceiveChunk(*buffer);
        if (!more.Ok()) {
            return more.Result();
        }
        if (!*more) {
            return TransferResult::Done();
        }
    }
}

// Where the next chunk goes: the digest's next slot while it follows the file.
TransferOutcome<char*> CFileTransfer::NextBuffer() {
    if (!digestPipe_) {
        return buffer_.get();
    }
    char* slot = digestPipe_->NextSlot();
    if (slot == nullptr) {
        return TransferResult::Failed(errcode::kCancelled);
    }
    return slot;
}

// While the page asks the user whether to leave, no data is taken in; false
// when the run was cancelled meanwhile.
bool CFileTransfer::PauseWhileLeavePromptIsUp() {
    return PauseWhileLeavePromptIsOpen(control_, [this] { return control_.IsCancelled(); });
}

// One chunk under the chunk lock; false at the end of the body.
TransferOutcome<bool> CFileTransfer::ReceiveChunk(char* buffer) {
    const std::unique_lock chunk = control_.HoldChunkLock();
    if (control_.IsCancelled()) {
        return TransferResult::Failed(errcode::kCancelled);
    }
    const TransferOutcome<std::size_t> read =
        GuardedRead(control_, *get_, buffer, kTransferChunkSize);
    if (!read.Ok()) {
        return read.Result();
    }
    const std::size_t count = *read;
    if (count == 0) {
        return false;
    }
    if (item_.size != 0 && offset_ + received_ + count > item_.size) {
        return SourceChanged();  // longer than announced
    }
    if (TransferResult room = TestRoomForUnsizedBody(); !room.Ok()) {
        return room;
    }
    if (!rangeRefused_) {
        item_.connectRetries = 0;
        item_.sizeRetries = 0;
    }
    received_ += count;
    progress_.Chunk(offset_ + received_, count);
    if (TransferResult appended = file_.Append(buffer, count); !appended.Ok()) {
        return FileFailure(appended.LastError());
    }
    if (digestPipe_) {
        digestPipe_->Commit(count);
    }
    return true;
}

// Only a body of unknown length can grow until the disk is full; what it left
// is then of no use and goes.
TransferResult CFileTransfer::TestRoomForUnsizedBody() {
    const std::uint64_t length = offset_ + received_;
    if (item_.size != 0 || length < nextRoomTest_) {
        return TransferResult::Done();
    }
    nextRoomTest_ = length + kRoomTestStep;
    if (!env::HasFreeSpace(LocalFolder(request_.localPath), kFreeSpaceMargin + kRoomTestStep)) {
        discardFile_ = true;
        return TransferResult::Failed(errcode::kDiskFull, win::GetLastError());
    }
    return TransferResult::Done();
}

// A full disk is 104; what a body of unknown size left of it goes. Any other
// local file failure is 100, naming the item.
TransferResult CFileTransfer::FileFailure(win::DWORD osError) {
    if (!IsDiskFull(osError)) {
        return TransferResult::FileFailed(osError, item_.name);
    }
    discardFile_ = discardFile_ || item_.size == 0;
    return TransferResult::Failed(errcode::kDiskFull, osError);
}

void CFileTransfer::Release() {
    EndDigest();
    file_.Close();
    get_.reset();
    connection_.reset();
    buffer_.reset();
}

// A run that ends here must not leave an empty file under the item's name,
// nor the unbounded rest of a body that filled the disk.
void CFileTransfer::DiscardFileIfUnwanted() {
    if (!discardFile_ && !(createdFile_ && !bodyStarted_)) {
        return;
    }
    if (discardFile_) {
        item_.flags &= ~(CDF_RECEIVING | CDF_RESUME);
    }
    env::ForceDeleteFile(request_.localPath);  // best effort: the failure is reported already
}

void CFileTransfer::CountFailure() {
    switch (DecideRetry(RetryStage::Transfer, error_.errorCode, {}).counter) {
        case ErrorRetry::Connection:
            ++item_.connectRetries;
            break;
        case ErrorRetry::ShortBody:
            ++item_.sizeRetries;
            break;
        case ErrorRetry::Never:
            break;
    }
}

bool FileTransfer(IDownloadControl& control, const FileTransferRequest& request) {
    if (request.itemIndex >= control.Items().size()) {
        control.Error().Set(errcode::kInternalError);  // no such item
        return false;
    }
    try {
        CFileTransfer transfer(control, request);
        return transfer.Run();
    } catch (const std::bad_alloc&) {
        control.Error().Set(errcode::kOutOfMemory);
    }
    return false;
}

}  // namespace kivtransfer
