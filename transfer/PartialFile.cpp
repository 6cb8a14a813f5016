#include "transfer/PartialFile.h"

#include "platform/FileApi.h"
#include "platform/LastError.h"

namespace kivtransfer {

namespace {

TransferResult FileError() {
    return TransferResult::Failed(errcode::kFileError, win::GetLastError());
}

}  // namespace

TransferOutcome<std::uint64_t> CPartialFile::Open(const std::string& path, bool keepContents) {
    const unsigned creation = keepContents ? win::CFile::modeCreate | win::CFile::modeNoTruncate
                                           : win::CFile::modeCreateNew;
    const unsigned mode =
        creation | win::CFile::modeNoFollow | win::CFile::modeWrite | win::CFile::shareDenyWrite;
    if (!file_.Open(path, mode)) {
        return FileError();
    }
    // Hiding is cosmetic: a volume without the attribute still takes the download.
    win::SetFileAttributes(path, win::FILE_ATTRIBUTE_HIDDEN);
    std::uint64_t length = 0;
    if (!file_.SeekToEnd(&length)) {
        return FileError();
    }
    return length;
}

TransferResult CPartialFile::Restart() {
    if (!file_.SetLength(0) || !file_.Seek(0)) {
        return FileError();
    }
    return TransferResult::Done();
}

TransferResult CPartialFile::Append(const char* data, std::size_t count) {
    if (!file_.Write(data, count)) {
        return FileError();
    }
    return TransferResult::Done();
}

}  // namespace kivtransfer
