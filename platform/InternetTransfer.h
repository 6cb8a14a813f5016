#pragma once
// One request's exchange on libcurl: sending it, waiting for the final
// response's headers, and pulling the body in bounded reads. Internal to
// the internet classes (CHttpFile is its face).
//
// The body is pulled: libcurl's multi handle is driven only inside Send and
// Read. Body bytes go straight into a waiting reader's buffer; the rest is
// kept in a bounded buffer of our own that later reads empty without touching
// libcurl or the socket. Once that buffer is full the transfer is paused, so
// libcurl takes nothing more from the socket until a reader has drained it.
#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/InternetBodyBuffer.h"
#include "platform/InternetConstants.h"
#include "platform/InternetRead.h"
#include "platform/InternetSessionCore.h"

namespace win::inet {

struct RequestSpec {
    std::string url;
    std::string host;  // the server part of the URL
    bool head = false;
    bool secure = false;
    bool noCache = false;
    DWORD_PTR context = 1;
};

class Transfer {
public:
    // Body bytes held for the reader before libcurl is paused; the buffer
    // also takes the rest of what libcurl had read then (up to
    // kReceiveBufferSize). 512 KiB measured no slower than 1 MiB.
    static constexpr std::size_t kBodyBufferBound = 512 << 10;
    // Response head lines taken in all, redirects and challenges included,
    // before the answer counts as invalid: a server that never ends its head
    // must not grow our memory.
    static constexpr std::size_t kLongestResponseHead = 256 << 10;
    // libcurl's receive buffer: one recv call takes up to this much.
    static constexpr long kReceiveBufferSize = 256 << 10;

    Transfer(std::shared_ptr<SessionCore> core, RequestSpec spec);
    ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    void SetProxyCredentials(std::string_view user, std::string_view password);
    bool HasProxyCredentials() const { return hasProxyCredentials_; }
    // Sends the request anew (dropping an earlier exchange) and waits for the
    // final response, or until `cancelFd` (-1: none) becomes readable
    // (ERROR_INTERNET_OPERATION_CANCELLED). Throws CInternetException or
    // std::bad_alloc.
    void Send(std::string_view headerText, int cancelFd);
    // Puts the request on the wire ahead of its Send, which then only waits
    // for the answer (when it is given the same header text). Best effort:
    // a request that cannot be begun is sent by Send as usual.
    void Begin(std::string_view headerText);
    // False before a response arrived.
    bool Status(DWORD& status) const;
    bool Header(const char* name, std::string& value) const;
    ReadResult Read(void* buffer, std::size_t count, int timeoutMs, int cancelFd);
    DWORD_PTR Context() const { return spec_.context; }

private:
    using Clock = std::chrono::steady_clock;

    static std::size_t OnHeaderData(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnBodyData(char* data, std::size_t size, std::size_t count, void* self);
    static int OnRequestStart(void* self, char*, char*, int, int);
    void KeepExtraHeadersOnOrigin();
    bool OnHeaderLine(std::string_view line);
    bool OnHeaderBlockEnd();
    bool IsDowngradingRedirect();
    std::size_t OnBody(const char* data, std::size_t length);
    void OnDone(CURLcode result);
    void MarkFinal(int status);

    void Configure(std::string_view headerText);
    void Start(std::string_view headerText);
    void BuildHeaderList(std::string_view headerText);
    void Drop();
    void ResetResponse();
    void WaitForResponse(int cancelFd);
    void SettleWithoutBody();

    void Pump();
    bool Poll(Clock::time_point deadline, int cancelFd);
    void Resume();
    static bool IsSignalled(int fd);
    bool Failed() const;
    bool CutShort() const;
    [[noreturn]] void ThrowFailure();
    [[noreturn]] void Throw(DWORD error, std::string detail = {});

    std::shared_ptr<SessionCore> core_;
    RequestSpec spec_;
    std::string proxyUser_;
    std::string proxyPassword_;
    bool hasProxyCredentials_ = false;

    CURL* easy_ = nullptr;
    curl_slist* headerList_ = nullptr;
    curl_slist* lastOwnHeader_ = nullptr;  // the user's extra lines follow it
    curl_slist* cutHeaders_ = nullptr;     // those lines once a redirect left the origin
    bool inMulti_ = false;
    bool begun_ = false;
    std::string begunHeaders_;
    char errorText_[CURL_ERROR_SIZE] = {};

    // The response: the header block being read, then the final one.
    int blockStatus_ = 0;
    bool blockRedirects_ = false;
    std::string blockLocation_;
    std::size_t headBytes_ = 0;
    bool headTooLong_ = false;
    bool blockBadLength_ = false;  // a Content-Length with no usable length
    bool badLength_ = false;       // the final response was refused for it
    std::string refusedRedirect_;  // "<https URL> -> <http URL>" of a refused downgrade
    int provisionalStatus_ = 0;    // a 401/407 that libcurl may still answer itself
    bool final_ = false;
    bool finalFromConnect_ = false;
    int status_ = 0;
    bool done_ = false;
    CURLcode result_ = CURLE_OK;
    bool callbackOutOfMemory_ = false;
    // When the latest request went out on an established connection.
    std::optional<Clock::time_point> requestStarted_;

    // The body: the reader's buffer while a read waits, and what came
    // before a reader asked for it.
    char* target_ = nullptr;
    std::size_t room_ = 0;
    std::size_t delivered_ = 0;
    BodyBuffer held_{kBodyBufferBound + kReceiveBufferSize};
    bool paused_ = false;
};

}  // namespace win::inet
