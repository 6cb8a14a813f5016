#include "transfer/SendRequest.h"

#include "platform/InternetErrors.h"
#include "platform/InternetException.h"
#include "platform/LastError.h"
#include "transfer/TransferFailure.h"

namespace {

constexpr win::DWORD HTTP_STATUS_OK = 200;
constexpr win::DWORD HTTP_STATUS_PARTIAL_CONTENT = 206;
constexpr win::DWORD HTTP_STATUS_PROXY_AUTH_REQ = 407;

}  // namespace

win::DWORD SendRequest(IDownloadControl& control, win::CHttpFile& request,
                       std::string_view headers) {
    ErrorState& error = control.Error();
    for (;;) {
        if (control.IsCancelled()) {
            Fail(error, 1);
        }
        win::DWORD status = 0;
        try {
            request.SendRequest(headers, control.CancelFd());
            if (!request.QueryInfoStatusCode(status)) {
                Fail(error, 302, win::GetLastError());
            }
        } catch (const win::CInternetException& failure) {
            if (failure.ErrorNumber() == win::ERROR_INTERNET_OPERATION_CANCELLED) {
                Fail(error, 1);
            }
            error.errorDetail = failure.Detail();
            Fail(error, 300, failure.ErrorNumber());
        }
        if (status == HTTP_STATUS_PROXY_AUTH_REQ) {
            if (control.AskProxyCredentials(request) == ERROR_INTERNET_FORCE_RETRY) {
                continue;
            }
            Fail(error, 301, status);
        }
        if (status != HTTP_STATUS_OK && status != HTTP_STATUS_PARTIAL_CONTENT) {
            Fail(error, 301, status);
        }
        return status;
    }
}
