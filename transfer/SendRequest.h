#pragma once
// Sends a request and accepts only 200 and 206. A proxy's 407 is put to the
// user through the control; when the user supplied credentials the request
// is sent again.
#include <string_view>

#include "platform/HttpFile.h"
#include "platform/WinTypes.h"
#include "transfer/DownloadControl.h"
#include "transfer/TransferResult.h"

namespace kivtransfer {

// Returns the status, or the failure: 1 cancelled, 300 internet error (with
// the error's detail), 301 other status, 302 no status.
// `requestLine` ("GET http://host/file") and the headers go to the run's
// report, if the host keeps one, with the status and the size headers of the answer.
TransferOutcome<win::DWORD> SendRequest(IDownloadControl& control, win::CHttpFile& request,
                                        std::string_view headers,
                                        std::string_view requestLine = {});

}  // namespace kivtransfer
