#include "platform/InternetSession.h"

#include "platform/InternetErrors.h"
#include "platform/InternetException.h"
#include "platform/InternetSessionCore.h"
#include "platform/LastError.h"

namespace win {

CInternetSession::CInternetSession() : core_(std::make_shared<inet::SessionCore>()) {}

CInternetSession::~CInternetSession() = default;

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(std::string_view server,
                                                                     INTERNET_PORT port) {
    if (!core_) {
        throw CInternetException(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    }
    return std::make_unique<CHttpConnection>(core_, std::string(server), port);
}

bool CInternetSession::SetOption(DWORD option, DWORD value) {
    if (!core_ || value == 0 ||
        (option != INTERNET_OPTION_CONNECT_TIMEOUT && option != INTERNET_OPTION_RECEIVE_TIMEOUT)) {
        SetLastError(ERROR_INTERNET_INVALID_OPTION);
        return false;
    }
    (option == INTERNET_OPTION_CONNECT_TIMEOUT ? core_->connectTimeoutMs
                                               : core_->receiveTimeoutMs) = value;
    return true;
}

void CInternetSession::Close() {
    core_.reset();
}

}  // namespace win
