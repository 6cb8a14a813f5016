#pragma once
// Sends a request and accepts only 200 and 206. A proxy's 407 is put to the
// user through the control; when the user supplied credentials the request
// is sent again.
#include <string_view>

#include "platform/HttpFile.h"
#include "platform/WinTypes.h"
#include "transfer/DownloadControl.h"

// Returns the status. On failure stores the code (1 cancelled, 300 internet
// error, 301 other status, 302 no status) and throws CUserException.
win::DWORD SendRequest(IDownloadControl& control, win::CHttpFile& request,
                       std::string_view headers);
