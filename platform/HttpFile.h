#pragma once
// One HTTP request in the manner of the framework's CHttpFile, on libcurl:
// opened by CHttpConnection::OpenRequest, sent with extra header lines and no
// body, then asked for its status and header values and read in bounded
// pieces. Redirects are followed (up to 20). Failing calls throw
// CInternetException with the WinINet error number (InternetErrors.h), or
// std::bad_alloc when memory runs out.
//
// A request, its connection and its session are used by one thread at a time.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/InternetConstants.h"
#include "platform/InternetRead.h"

namespace win {

namespace inet {
class Transfer;
}

class CHttpFile {
public:
    explicit CHttpFile(std::unique_ptr<inet::Transfer> transfer);
    ~CHttpFile();
    CHttpFile(const CHttpFile&) = delete;
    CHttpFile& operator=(const CHttpFile&) = delete;

    // Sends the request with `headers` (lines ending in "\r\n"; the only
    // User-Agent line is the caller's) and waits for the final response. A
    // proxy's 407, also the answer to the CONNECT of an https request, is a
    // response like any other. May be called again to send the request anew,
    // e.g. after SetProxyCredentials. No time-out or connection failure is
    // longer than the session's connect and receive time-outs together.
    // `cancelFd` (-1 for none) ends the wait for the response at once when
    // it becomes readable, the connect included
    // (ERROR_INTERNET_OPERATION_CANCELLED).
    // A redirect from https to http is refused (ERROR_HTTP_REDIRECT_FAILED,
    // both URLs in the exception's detail) and a response head that does not
    // end within 256 KiB is ERROR_HTTP_INVALID_SERVER_RESPONSE.
    void SendRequest(std::string_view headers, int cancelFd = -1);

    // Starts sending the request now, so that several requests of a session
    // travel together; the SendRequest that follows with the same `headers`
    // waits for this answer instead of sending anew. Sends nothing it cannot
    // start; never throws.
    void BeginRequest(std::string_view headers) noexcept;

    // The final response's status; false (last error
    // ERROR_INTERNET_INCORRECT_HANDLE_STATE) when there is none.
    bool QueryInfoStatusCode(DWORD& status) const;

    // HTTP_QUERY_CONTENT_LENGTH, HTTP_QUERY_LAST_MODIFIED or
    // HTTP_QUERY_CONTENT_TYPE of the final response, as text. False when the
    // header is absent (last error ERROR_HTTP_HEADER_NOT_FOUND), for another
    // level (ERROR_HTTP_INVALID_QUERY_REQUEST) or before a response.
    bool QueryInfo(DWORD infoLevel, std::string& value) const;

    // Credentials for the proxy, used from the next SendRequest on (any
    // authentication scheme the proxy offers).
    void SetProxyCredentials(std::string_view user, std::string_view password);
    bool HasProxyCredentials() const;

    // Reads up to `count` (> 0) body bytes: returns when the buffer is full,
    // the body ended (Complete with a smaller count; 0 at the end), `timeoutMs`
    // passed (TimedOut) or `cancelFd` (a descriptor such as an eventfd, -1 for
    // none) became readable (Cancelled; a descriptor readable on entry cancels
    // at once). A body cut short (no last chunk, or fewer bytes than its
    // Content-Length) ends with CutShort and a broken connection throws, each
    // after the bytes received before it were handed out by earlier reads.
    // Bytes that arrive before a read asks for them are held (up to 1 MiB,
    // then the connection is left unread), so most reads of a fast body are
    // served from memory.
    ReadResult Read(void* buffer, std::size_t count, int timeoutMs, int cancelFd = -1);

    // Ends the request; later calls fail with ERROR_INTERNET_INCORRECT_HANDLE_STATE.
    void Close();

private:
    std::unique_ptr<inet::Transfer> transfer_;
};

}  // namespace win
