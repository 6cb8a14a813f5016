// The requests: each one written whole to the work file, then announced by
// one signal of the request event.
#include "assistant/AssistantWorkFile.h"
#include "assistant/KivDownloadAssistant.h"
#include "env/Application.h"
#include "env/Locations.h"
#include "platform/CopyData.h"
#include "platform/Event.h"
#include "platform/File.h"
#include "platform/FileApi.h"
#include "platform/LastError.h"
#include "platform/LittleEndian.h"

namespace kivassistant {

namespace {

// Deletes the previous request unless another process still holds it open
// (as a Windows delete would refuse): the exclusive open that follows then
// fails with ERROR_SHARING_VIOLATION instead of writing a second file
// beside the one being read.
void DeleteUnlessHeld(const std::string& path) {
    win::CFile probe;
    if (!probe.Open(path, win::CFile::modeRead | win::CFile::shareExclusive)) return;
    probe.Close();
    win::DeleteFile(path);
}

std::string WithoutTrailingLineBreak(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace

bool CKivDownloadAssistant::SendRequest(std::uint32_t kind, const void* data, std::size_t size) {
    std::string path;
    if (!GetAssistantWorkFilePath(path)) return false;
    if (win::SetFileAttributes(path, win::FILE_ATTRIBUTE_NORMAL)) {
        DeleteUnlessHeld(path);
    } else {
        win::MakeSureDirectoryPathExists(path);
    }
    const bool written = WriteWorkFile(path, kind, data, size);
    const win::DWORD error = written ? win::ERROR_SUCCESS : win::GetLastError();
    if (written) {
        win::SetFileAttributes(path, win::FILE_ATTRIBUTE_HIDDEN);
    } else {
        ReportWriteFailure(path, error);
        // The request signalled below must not find the previous request and
        // take it for this one. (One that someone holds open stays, as on
        // Windows; the caller fails on this request and awaits no reply.)
        win::SetFileAttributes(path, win::FILE_ATTRIBUTE_NORMAL);
        win::DeleteFile(path);
    }
    win::SetEvent(requestEvent_.Handle());
    if (!written) win::SetLastError(error);  // the caller reports the write's cause
    return written;
}

bool CKivDownloadAssistant::WriteWorkFile(const std::string& path, std::uint32_t kind,
                                          const void* data, std::size_t size) const {
    win::CFile file;
    // Never through a link planted in the low-integrity folder.
    if (!file.Open(path, win::CFile::modeCreate | win::CFile::modeWrite |
                             win::CFile::shareExclusive | win::CFile::modeNoFollow)) {
        return false;
    }
    std::uint8_t kindBytes[4];
    win::PutLE32(kindBytes, kind);
    return file.Write(kindBytes, sizeof kindBytes) && (size == 0 || file.Write(data, size));
}

void CKivDownloadAssistant::ReportWriteFailure(const std::string& path, win::DWORD error) const {
    if (owner_ == nullptr) return;
    owner_->ShowFileErrorBox(path + "\r\n" +
                             WithoutTrailingLineBreak(env::GetSystemErrorText(error)));
}

bool CKivDownloadAssistant::SendHello(win::HWND dialogWindow) {
    const std::uint32_t dialogNumber = win::WindowToUInt32(dialogWindow);
    const std::uint32_t replyNumber = ReplyWindowNumber();
    if (replyNumber == 0 || dialogNumber == 0) {
        win::SetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    const AssistantBytes record = BuildGreetingRecord(dialogNumber, replyNumber);
    const bool sent = SendRequest(kGreetingRequest, record.data(), record.size());
    if (sent) greeted_ = true;
    return sent;
}

bool CKivDownloadAssistant::SendContentList(const std::string& caption,
                                            const std::string& identifierText,
                                            std::span<const ContentItemRecord> items) {
    const AssistantBytes record =
        BuildContentListRecord(caption, identifierText, env::GetVersionFilePath(), items);
    return SendRequest(kContentListRequest, record.data(), record.size());
}

bool CKivDownloadAssistant::SendPlaceFile(const std::string& source,
                                          const std::string& destination) {
    const AssistantBytes record = BuildPlaceFileRecord(source, destination);
    return SendRequest(kPlaceFileRequest, record.data(), record.size());
}

}  // namespace kivassistant
