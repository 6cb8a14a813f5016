#include "platform/InternetState.h"

#include <atomic>

#include "platform/InternetConstants.h"

namespace win {

namespace {
std::atomic<bool> forcedOffline{false};
}

DWORD QueryInternetConnectedState() {
    return forcedOffline.load() ? INTERNET_STATE_DISCONNECTED_BY_USER : INTERNET_STATE_CONNECTED;
}

void ForceWorkOfflineForTesting(bool offline) {
    forcedOffline.store(offline);
}

}  // namespace win
