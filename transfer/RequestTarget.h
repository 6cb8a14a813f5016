#pragma once
// Where a request goes and how it is opened: server, port, object and the
// request flags (reload, reuse the connection, no cache write; secure for https).
#include <string>

#include "platform/InternetConstants.h"
#include "transfer/TransferResult.h"

namespace kivtransfer {

struct RequestTarget {
    std::string server;
    std::string object;
    win::INTERNET_PORT port = 0;
    win::DWORD flags = 0;
};

// Splits `url`; anything but an http or https URL fails with 201.
TransferOutcome<RequestTarget> SplitRequestTarget(const std::string& url);

}  // namespace kivtransfer
