#pragma once
// An internet session in the manner of the framework's CInternetSession,
// opened with the preconfigured access type: proxies come from the
// environment (http_proxy, https_proxy, no_proxy, all_proxy, read by libcurl
// at each request). It sends no User-Agent of its own. Certificates are
// checked against the system store, plus the CA certificates in the file
// that KIVDL_EXTRA_CA_FILE names (read when the session is created).
#include <memory>
#include <string_view>

#include "platform/HttpConnection.h"
#include "platform/InternetConstants.h"

namespace win {

class CInternetSession {
public:
    CInternetSession();  // throws std::bad_alloc when libcurl cannot be set up
    ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    // A connection to `server` (a host name or address) and `port`; nothing
    // is resolved or connected until a request is sent.
    std::unique_ptr<CHttpConnection> GetHttpConnection(std::string_view server, INTERNET_PORT port);

    // INTERNET_OPTION_CONNECT_TIMEOUT (default 60000) or
    // INTERNET_OPTION_RECEIVE_TIMEOUT (default 30000), in milliseconds, for
    // requests sent afterwards. False (last error ERROR_INTERNET_INVALID_OPTION)
    // for other options or a value of 0.
    bool SetOption(DWORD option, DWORD value);

    // Lets go of the session; connections and requests opened from it keep
    // working until they are closed.
    void Close();

private:
    std::shared_ptr<inet::SessionCore> core_;
};

}  // namespace win
