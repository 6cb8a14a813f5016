#include "platform/HttpConnection.h"

#include "platform/InternetErrors.h"
#include "platform/InternetException.h"
#include "platform/InternetTransfer.h"

namespace win {

namespace {

// A host name or address, an IPv6 literal in brackets: nothing that would
// move the URL's parts around.
bool IsPlainServerName(std::string_view server) {
    if (server.empty()) {
        return false;
    }
    for (unsigned char c : server) {
        if (c <= ' ' || c == 0x7F ||
            std::string_view("/\\?#@").find(static_cast<char>(c)) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

}  // namespace

CHttpConnection::CHttpConnection(std::shared_ptr<inet::SessionCore> core, std::string server,
                                 INTERNET_PORT port)
    : core_(std::move(core)), server_(std::move(server)), port_(port) {}

CHttpConnection::~CHttpConnection() = default;

std::unique_ptr<CHttpFile> CHttpConnection::OpenRequest(int verb, std::string_view object,
                                                        DWORD flags, DWORD_PTR context) {
    if (!core_) {
        throw CInternetException(ERROR_INTERNET_INCORRECT_HANDLE_STATE, context);
    }
    if (verb != HTTP_VERB_GET && verb != HTTP_VERB_HEAD) {
        throw CInternetException(ERROR_INTERNET_INVALID_OPERATION, context);
    }
    if (!IsPlainServerName(server_)) {
        throw CInternetException(ERROR_INTERNET_INVALID_URL, context);
    }
    inet::RequestSpec spec;
    spec.secure = (flags & INTERNET_FLAG_SECURE) != 0;
    spec.head = verb == HTTP_VERB_HEAD;
    spec.noCache = (flags & INTERNET_FLAG_RELOAD) != 0;
    spec.context = context;
    spec.host = server_;
    spec.url = (spec.secure ? "https://" : "http://") + server_ + ":" + std::to_string(port_);
    if (object.empty() || object.front() != '/') {
        spec.url += '/';
    }
    spec.url += object;
    return std::make_unique<CHttpFile>(std::make_unique<inet::Transfer>(core_, std::move(spec)));
}

void CHttpConnection::Close() {
    core_.reset();
}

}  // namespace win
