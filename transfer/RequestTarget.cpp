#include "transfer/RequestTarget.h"

#include "platform/InternetUrl.h"
#include "transfer/TransferFailure.h"

namespace {

constexpr win::DWORD kRequestFlags = win::INTERNET_FLAG_RELOAD |
                                     win::INTERNET_FLAG_EXISTING_CONNECT |
                                     win::INTERNET_FLAG_NO_CACHE_WRITE;

}  // namespace

RequestTarget SplitRequestTarget(ErrorState& error, const std::string& url) {
    RequestTarget target;
    win::DWORD serviceType = 0;
    if (!win::ParseURL(url, serviceType, target.server, target.object, target.port)) {
        Fail(error, errcode::kInvalidUrl);
    }
    if (serviceType == win::AFX_INET_SERVICE_HTTPS) {
        target.flags = kRequestFlags | win::INTERNET_FLAG_SECURE;
    } else if (serviceType == win::AFX_INET_SERVICE_HTTP) {
        target.flags = kRequestFlags;
    } else {
        Fail(error, errcode::kInvalidUrl);
    }
    return target;
}
