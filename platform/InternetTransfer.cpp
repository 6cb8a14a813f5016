// Sending a request and waiting for its final response.
#include "platform/InternetTransfer.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "platform/InternetErrors.h"
#include "platform/InternetException.h"

namespace win::inet {

namespace {

constexpr long kMaxRedirects = 20;

void Check(CURLcode code) {
    if (code == CURLE_OUT_OF_MEMORY) {
        throw std::bad_alloc();
    }
    if (code != CURLE_OK) {
        throw CInternetException(ERROR_INTERNET_INTERNAL_ERROR);
    }
}

std::string Lowercase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

// Names under ".invalid" never resolve (RFC 6761); answering at once keeps
// a resolver that cannot reach its servers from holding the request up.
bool IsReservedInvalidName(std::string_view host) {
    std::string name = Lowercase(host);
    if (!name.empty() && name.back() == '.') {
        name.pop_back();
    }
    return name == "invalid" || name.ends_with(".invalid");
}

}  // namespace

Transfer::Transfer(std::shared_ptr<SessionCore> core, RequestSpec spec)
    : core_(std::move(core)), spec_(std::move(spec)) {}

Transfer::~Transfer() {
    Drop();
}

void Transfer::SetProxyCredentials(std::string_view user, std::string_view password) {
    proxyUser_ = user;
    proxyPassword_ = password;
    hasProxyCredentials_ = true;
}

void Transfer::Send(std::string_view headerText, int cancelFd) {
    const bool begun = begun_ && begunHeaders_ == headerText;
    begun_ = false;
    begunHeaders_.clear();
    if (!begun) {
        Drop();
        ResetResponse();
        if (IsReservedInvalidName(spec_.host)) {
            Throw(ERROR_INTERNET_NAME_NOT_RESOLVED);
        }
    }
    if (IsSignalled(cancelFd)) {
        Drop();
        Throw(ERROR_INTERNET_OPERATION_CANCELLED);
    }
    try {
        if (!begun) Start(headerText);
        WaitForResponse(cancelFd);
    } catch (...) {
        Drop();
        throw;
    }
}

void Transfer::Begin(std::string_view headerText) {
    Drop();
    ResetResponse();
    begun_ = false;
    if (IsReservedInvalidName(spec_.host)) return;
    try {
        Start(headerText);
        begunHeaders_ = headerText;
        begun_ = true;
    } catch (...) {  // Send tries again and reports what fails
        Drop();
    }
}

void Transfer::Start(std::string_view headerText) {
    Configure(headerText);
    CURLMcode code = curl_multi_add_handle(core_->Multi(), easy_);
    if (code == CURLM_OUT_OF_MEMORY) {
        throw std::bad_alloc();
    }
    if (code != CURLM_OK) {
        Throw(ERROR_INTERNET_INTERNAL_ERROR);
    }
    inMulti_ = true;
}

void Transfer::Configure(std::string_view headerText) {
    easy_ = curl_easy_init();
    if (!easy_) {
        throw std::bad_alloc();
    }
    BuildHeaderList(headerText);
    Check(curl_easy_setopt(easy_, CURLOPT_URL, spec_.url.c_str()));
    Check(curl_easy_setopt(easy_, CURLOPT_PRIVATE, this));
    Check(curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorText_));
    Check(curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L));
    Check(curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https"));
    Check(curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
    // HTTP/2 where a TLS server offers it: requests to one server then share
    // one connection instead of each opening its own.
    Check(curl_easy_setopt(
        easy_, CURLOPT_HTTP_VERSION,
        static_cast<long>(spec_.secure ? CURL_HTTP_VERSION_2TLS : CURL_HTTP_VERSION_1_1)));
    Check(curl_easy_setopt(easy_, CURLOPT_PIPEWAIT, spec_.secure ? 1L : 0L));
    Check(curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L));
    Check(curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, kMaxRedirects));
    // The caller's header text carries the only User-Agent line.
    Check(curl_easy_setopt(easy_, CURLOPT_USERAGENT, static_cast<char*>(nullptr)));
    Check(curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headerList_));
    // The run's jar in memory: never a cookie file read or written.
    Check(curl_easy_setopt(easy_, CURLOPT_SHARE, core_->CookieShare()));
    Check(curl_easy_setopt(easy_, CURLOPT_COOKIEFILE, ""));
    Check(spec_.head ? curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L)
                     : curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L));
    Check(curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &Transfer::OnHeaderData));
    Check(curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this));
    Check(curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &Transfer::OnBodyData));
    Check(curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this));
    // Large receives: a 16 KiB read per call would cost a system call and a
    // poll for every 16 KiB of the body.
    Check(curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, kReceiveBufferSize));
    // A proxy's answer to CONNECT is not the response; only its code matters.
    Check(curl_easy_setopt(easy_, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L));
    Check(curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, core_->connectTimeoutMs));
    Check(curl_easy_setopt(easy_, CURLOPT_PREREQFUNCTION, &Transfer::OnRequestStart));
    Check(curl_easy_setopt(easy_, CURLOPT_PREREQDATA, this));
    if (!core_->CaBundle().empty()) {
        curl_blob blob{const_cast<char*>(core_->CaBundle().data()), core_->CaBundle().size(),
                       CURL_BLOB_NOCOPY};
        Check(curl_easy_setopt(easy_, CURLOPT_CAINFO_BLOB, &blob));
    }
    if (hasProxyCredentials_) {
        Check(curl_easy_setopt(easy_, CURLOPT_PROXYUSERNAME, proxyUser_.c_str()));
        Check(curl_easy_setopt(easy_, CURLOPT_PROXYPASSWORD, proxyPassword_.c_str()));
        Check(curl_easy_setopt(easy_, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_ANY)));
    }
}

// Every line of the caller's text (CR or LF ends a line) goes out as given.
void Transfer::BuildHeaderList(std::string_view headerText) {
    auto append = [this](const std::string& line) {
        curl_slist* list = curl_slist_append(headerList_, line.c_str());
        if (!list) {
            throw std::bad_alloc();
        }
        headerList_ = list;
    };
    std::size_t start = 0;
    while (start < headerText.size()) {
        std::size_t end = headerText.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = headerText.size();
        }
        if (end > start) {
            append(std::string(headerText.substr(start, end - start)));
        }
        start = end + 1;
    }
    if (spec_.noCache) {
        append("Pragma: no-cache");
        append("Cache-Control: no-cache");
    }
    append("Expect:");  // never wait for a "100 Continue"
    // The user's extra lines go last, so that OnRequestStart can cut them
    // off when a redirect leaves the origin they were given for.
    lastOwnHeader_ = headerList_;
    while (lastOwnHeader_->next) lastOwnHeader_ = lastOwnHeader_->next;
    for (const std::string& line : core_->ExtraHeaders()) append(line);
}

void Transfer::Drop() {
    if (easy_) {
        if (inMulti_) {
            curl_multi_remove_handle(core_->Multi(), easy_);
        }
        curl_easy_cleanup(easy_);
    }
    easy_ = nullptr;
    inMulti_ = false;
    curl_slist_free_all(headerList_);
    headerList_ = nullptr;
    lastOwnHeader_ = nullptr;
    curl_slist_free_all(cutHeaders_);
    cutHeaders_ = nullptr;
    paused_ = false;
}

void Transfer::ResetResponse() {
    blockStatus_ = 0;
    blockRedirects_ = false;
    blockLocation_.clear();
    headBytes_ = 0;
    headTooLong_ = false;
    blockBadLength_ = false;
    badLength_ = false;
    refusedRedirect_.clear();
    provisionalStatus_ = 0;
    final_ = false;
    finalFromConnect_ = false;
    status_ = 0;
    done_ = false;
    result_ = CURLE_OK;
    callbackOutOfMemory_ = false;
    requestStarted_.reset();
    held_.Clear();
    errorText_[0] = '\0';
}

// Connecting is bounded by libcurl (the connect time-out); the answer to
// each request sent (a redirect or a proxy challenge sends another) must
// come within the receive time-out. The cancel descriptor ends the wait at
// any point, a connect or name lookup included.
void Transfer::WaitForResponse(int cancelFd) {
    const auto start = Clock::now();
    const auto receive = std::chrono::milliseconds(core_->receiveTimeoutMs);
    const auto latest = start + std::chrono::milliseconds(core_->connectTimeoutMs) + receive;
    for (;;) {
        Pump();
        if (final_) {
            return;
        }
        if (done_) {
            SettleWithoutBody();
            return;
        }
        const auto deadline =
            requestStarted_ ? std::min(*requestStarted_ + receive, latest) : latest;
        if (Clock::now() >= deadline) {
            Throw(ERROR_INTERNET_TIMEOUT);
        }
        if (Poll(deadline, cancelFd)) {
            Throw(ERROR_INTERNET_OPERATION_CANCELLED);
        }
    }
}

// The exchange ended before a body arrived.
void Transfer::SettleWithoutBody() {
    if (headTooLong_ || badLength_ || !refusedRedirect_.empty()) {  // we ended it
        ThrowFailure();
    }
    if (provisionalStatus_ != 0) {  // a challenge libcurl did not answer is the response
        MarkFinal(provisionalStatus_);
        return;
    }
    long connectCode = 0;
    curl_easy_getinfo(easy_, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    if (connectCode >= 300) {  // the proxy refused the tunnel, e.g. with 407
        MarkFinal(static_cast<int>(connectCode));
        finalFromConnect_ = true;
        return;
    }
    if (result_ == CURLE_OK) {
        Throw(ERROR_HTTP_INVALID_SERVER_RESPONSE);
    }
    ThrowFailure();
}

bool Transfer::Status(DWORD& status) const {
    if (!final_) {
        return false;
    }
    status = static_cast<DWORD>(status_);
    return true;
}

bool Transfer::Header(const char* name, std::string& value) const {
    if (!final_ || finalFromConnect_ || !easy_) {
        return false;
    }
    curl_header* header = nullptr;
    if (curl_easy_header(easy_, name, 0, CURLH_HEADER, -1, &header) != CURLHE_OK) {
        return false;
    }
    value = header->value;
    return true;
}

void Transfer::Pump() {
    int running = 0;
    CURLMcode code = curl_multi_perform(core_->Multi(), &running);
    if (code == CURLM_OUT_OF_MEMORY) {
        throw std::bad_alloc();
    }
    if (code != CURLM_OK) {
        Throw(ERROR_INTERNET_INTERNAL_ERROR);
    }
    int left = 0;
    // Other requests of the session may finish here too: tell each its own end.
    while (CURLMsg* message = curl_multi_info_read(core_->Multi(), &left)) {
        if (message->msg != CURLMSG_DONE) {
            continue;
        }
        char* owner = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
        if (owner) {
            reinterpret_cast<Transfer*>(owner)->OnDone(message->data.result);
        }
    }
}

// Waits for network activity, the deadline or the cancel descriptor; true
// when the cancel descriptor became readable.
bool Transfer::Poll(Clock::time_point deadline, int cancelFd) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    int waitMs = static_cast<int>(std::clamp<long long>(left, 0, 1000000));
    curl_waitfd cancel{cancelFd, CURL_WAIT_POLLIN, 0};
    const unsigned extraCount = cancelFd >= 0 ? 1 : 0;
    CURLMcode code = curl_multi_poll(core_->Multi(), extraCount ? &cancel : nullptr, extraCount,
                                     waitMs, nullptr);
    if (code == CURLM_OUT_OF_MEMORY) {
        throw std::bad_alloc();
    }
    if (code != CURLM_OK) {
        Throw(ERROR_INTERNET_INTERNAL_ERROR);
    }
    return extraCount && (cancel.revents & CURL_WAIT_POLLIN);
}

void Transfer::ThrowFailure() {
    if (!refusedRedirect_.empty()) {
        Throw(ERROR_HTTP_REDIRECT_FAILED, refusedRedirect_);
    }
    // libcurl gives up on a head line longer than it keeps with "out of
    // memory": before the final response that is the server's fault.
    const bool headTooLongForCurl = result_ == CURLE_OUT_OF_MEMORY && !callbackOutOfMemory_ &&
                                    requestStarted_.has_value() && !final_;
    if (headTooLong_ || badLength_ || headTooLongForCurl) {
        Throw(ERROR_HTTP_INVALID_SERVER_RESPONSE);
    }
    if (result_ == CURLE_OUT_OF_MEMORY || callbackOutOfMemory_) {
        throw std::bad_alloc();
    }
    CurlFailure failure;
    failure.curlCode = result_;
    failure.secure = spec_.secure;
    failure.message = errorText_;
    if (easy_) {
        curl_easy_getinfo(easy_, CURLINFO_OS_ERRNO, &failure.osErrno);
        curl_easy_getinfo(easy_, CURLINFO_SSL_VERIFYRESULT, &failure.tlsVerifyResult);
    }
    Throw(InternetErrorFromCurl(failure));
}

void Transfer::Throw(DWORD error, std::string detail) {
    throw CInternetException(error, spec_.context, std::move(detail));
}

}  // namespace win::inet
