#include "transfer/InternetFailure.h"

#include "platform/InternetConstants.h"
#include "platform/InternetState.h"
#include "transfer/ErrorCodes.h"

namespace kivtransfer {

namespace {

constexpr win::DWORD kFirstInternetError = 12000;

}  // namespace

std::int32_t InternetFailureCode(win::DWORD errorNumber) {
    if (errorNumber >= kFirstInternetError) {
        return errcode::kInternetError;
    }
    const win::DWORD state = win::QueryInternetConnectedState();
    return (state & win::INTERNET_STATE_DISCONNECTED_BY_USER) != 0 ? errcode::kOffline
                                                                   : errcode::kInternetError;
}

}  // namespace kivtransfer
