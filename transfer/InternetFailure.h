#pragma once
// The code for an internet error raised outside the sending of a request
// (opening a connection or request, reading the body): 305 when a non-WinINet
// number comes while the system works offline, else 300.
#include <cstdint>

#include "platform/WinTypes.h"

namespace kivtransfer {

std::int32_t InternetFailureCode(win::DWORD errorNumber);

}  // namespace kivtransfer
