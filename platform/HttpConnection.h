#pragma once
// A server and port of a session, in the manner of the framework's
// CHttpConnection; requests to it are opened here. Nothing is sent until
// the request's SendRequest.
#include <memory>
#include <string>
#include <string_view>

#include "platform/HttpFile.h"
#include "platform/InternetConstants.h"

namespace win {

namespace inet {
class SessionCore;
}

class CHttpConnection {
public:
    CHttpConnection(std::shared_ptr<inet::SessionCore> core, std::string server,
                    INTERNET_PORT port);
    ~CHttpConnection();
    CHttpConnection(const CHttpConnection&) = delete;
    CHttpConnection& operator=(const CHttpConnection&) = delete;

    // Opens an HTTP/1.1 request (HTTP_VERB_GET or HTTP_VERB_HEAD) for
    // `object` (path and query) with the request flags: INTERNET_FLAG_SECURE
    // selects https, INTERNET_FLAG_RELOAD adds the no-cache lines. No
    // referrer; libcurl's "Accept: */*". `context` comes back in exceptions.
    // Throws CInternetException: ERROR_INTERNET_INVALID_OPERATION for another
    // verb, ERROR_INTERNET_INVALID_URL for a server name that cannot stand in
    // a URL, ERROR_INTERNET_INCORRECT_HANDLE_STATE after Close.
    std::unique_ptr<CHttpFile> OpenRequest(int verb, std::string_view object, DWORD flags,
                                           DWORD_PTR context = 1);

    void Close();

private:
    std::shared_ptr<inet::SessionCore> core_;
    std::string server_;
    INTERNET_PORT port_;
};

}  // namespace win
