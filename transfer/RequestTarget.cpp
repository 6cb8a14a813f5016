#include "transfer/RequestTarget.h"

#include "platform/InternetUrl.h"

namespace kivtransfer {

namespace {

constexpr win::DWORD kRequestFlags = win::INTERNET_FLAG_RELOAD |
                                     win::INTERNET_FLAG_EXISTING_CONNECT |
                                     win::INTERNET_FLAG_NO_CACHE_WRITE;

}  // namespace

TransferOutcome<RequestTarget> SplitRequestTarget(const std::string& url) {
    RequestTarget target;
    win::DWORD serviceType = 0;
    if (!win::ParseURL(url, serviceType, target.server, target.object, target.port)) {
        return TransferResult::Failed(errcode::kInvalidUrl);
    }
    if (serviceType == win::AFX_INET_SERVICE_HTTPS) {
        target.flags = kRequestFlags | win::INTERNET_FLAG_SECURE;
    } else if (serviceType == win::AFX_INET_SERVICE_HTTP) {
        target.flags = kRequestFlags;
    } else {
        return TransferResult::Failed(errcode::kInvalidUrl);
    }
    return target;
}

}  // namespace kivtransfer
