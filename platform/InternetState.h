#pragma once
// The connected state the transfer asks for when it judges a failure. Linux
// has no "work offline" switch, so the state is always connected unless a
// test forces the offline state.
#include "platform/WinTypes.h"

namespace win {

// InternetQueryOption(no handle, INTERNET_OPTION_CONNECTED_STATE):
// INTERNET_STATE_CONNECTED, or INTERNET_STATE_DISCONNECTED_BY_USER while forced.
DWORD QueryInternetConnectedState();

// Test seam: makes the state "disconnected by the user" for the whole process.
void ForceWorkOfflineForTesting(bool offline);

}  // namespace win
