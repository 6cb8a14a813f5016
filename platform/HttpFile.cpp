#include "platform/HttpFile.h"

#include "platform/InternetErrors.h"
#include "platform/InternetException.h"
#include "platform/InternetTransfer.h"
#include "platform/LastError.h"

namespace win {

namespace {

const char* HeaderName(DWORD infoLevel) {
    switch (infoLevel) {
        case HTTP_QUERY_CONTENT_LENGTH:
            return "Content-Length";
        case HTTP_QUERY_LAST_MODIFIED:
            return "Last-Modified";
        case HTTP_QUERY_CONTENT_TYPE:
            return "Content-Type";
        default:
            return nullptr;
    }
}

}  // namespace

CHttpFile::CHttpFile(std::unique_ptr<inet::Transfer> transfer) : transfer_(std::move(transfer)) {}

CHttpFile::~CHttpFile() = default;

void CHttpFile::SendRequest(std::string_view headers, int cancelFd) {
    if (!transfer_) {
        throw CInternetException(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    }
    transfer_->Send(headers, cancelFd);
}

void CHttpFile::BeginRequest(std::string_view headers) noexcept {
    if (transfer_) {
        try {
            transfer_->Begin(headers);
        } catch (...) {  // SendRequest meets the same failure and reports it
        }
    }
}

bool CHttpFile::QueryInfoStatusCode(DWORD& status) const {
    if (!transfer_ || !transfer_->Status(status)) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return false;
    }
    return true;
}

bool CHttpFile::QueryInfo(DWORD infoLevel, std::string& value) const {
    const char* name = HeaderName(infoLevel);
    DWORD status = 0;
    if (!name) {
        SetLastError(ERROR_HTTP_INVALID_QUERY_REQUEST);
        return false;
    }
    if (!transfer_ || !transfer_->Status(status)) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return false;
    }
    if (!transfer_->Header(name, value)) {
        SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
        return false;
    }
    return true;
}

void CHttpFile::SetProxyCredentials(std::string_view user, std::string_view password) {
    if (transfer_) {
        transfer_->SetProxyCredentials(user, password);
    }
}

bool CHttpFile::HasProxyCredentials() const {
    return transfer_ && transfer_->HasProxyCredentials();
}

ReadResult CHttpFile::Read(void* buffer, std::size_t count, int timeoutMs, int cancelFd) {
    if (!transfer_) {
        throw CInternetException(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    }
    return transfer_->Read(buffer, count, timeoutMs, cancelFd);
}

void CHttpFile::Close() {
    transfer_.reset();
}

}  // namespace win
