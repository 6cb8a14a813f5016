#include "platform/InternetErrors.h"

#include <curl/curl.h>

#include <cerrno>

namespace win {

namespace {

// X509_V_ERR_* values of OpenSSL's certificate check, as curl reports them.
constexpr long kX509Ok = 0;
// curl's placeholder until it reads the chain's result; it stays when its own
// host-name check, which runs first, fails.
constexpr long kCurlCheckPending = 1;
constexpr long kX509UnableToGetIssuer = 2;
constexpr long kX509NotYetValid = 9;
constexpr long kX509Expired = 10;
constexpr long kX509BadNotBefore = 13;
constexpr long kX509BadNotAfter = 14;
constexpr long kX509SelfSignedLeaf = 18;
constexpr long kX509SelfSignedInChain = 19;
constexpr long kX509IssuerNotLocal = 20;
constexpr long kX509LeafUnverifiable = 21;
constexpr long kX509Revoked = 23;
constexpr long kX509InvalidCa = 24;
constexpr long kX509Untrusted = 27;
constexpr long kX509HostnameMismatch = 62;
constexpr long kX509IpMismatch = 64;

DWORD FromCertificateCheck(long verifyResult) {
    switch (verifyResult) {
        case kX509NotYetValid:
        case kX509Expired:
        case kX509BadNotBefore:
        case kX509BadNotAfter:
            return ERROR_INTERNET_SEC_CERT_DATE_INVALID;
        case kX509Ok:
        case kCurlCheckPending:
        case kX509HostnameMismatch:
        case kX509IpMismatch:
            return ERROR_INTERNET_SEC_CERT_CN_INVALID;
        case kX509UnableToGetIssuer:
        case kX509SelfSignedLeaf:
        case kX509SelfSignedInChain:
        case kX509IssuerNotLocal:
        case kX509LeafUnverifiable:
        case kX509InvalidCa:
        case kX509Untrusted:
            return ERROR_INTERNET_INVALID_CA;
        case kX509Revoked:
            return ERROR_INTERNET_SEC_CERT_REVOKED;
        default:
            return ERROR_INTERNET_SEC_INVALID_CERT;
    }
}

// A connection that broke while sending or receiving.
DWORD FromTransportFailure(const CurlFailure& failure) {
    if (failure.osErrno == ECONNRESET || failure.osErrno == EPIPE) {
        return ERROR_INTERNET_CONNECTION_RESET;
    }
    // No socket error under TLS: the TLS layer refused the data.
    if (failure.secure && failure.osErrno == 0) {
        return ERROR_INTERNET_DECODING_FAILED;
    }
    return ERROR_INTERNET_CONNECTION_ABORTED;
}

DWORD FromTlsSetupFailure(const CurlFailure& failure) {
    if (failure.osErrno == ECONNRESET || failure.osErrno == EPIPE) {
        return ERROR_INTERNET_CONNECTION_RESET;
    }
    return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
}

}  // namespace

DWORD InternetErrorFromCurl(const CurlFailure& failure) {
    // A server that wants a client certificate says so in a TLS alert, which
    // may arrive during the handshake or on the first read.
    if (failure.message.find("alert certificate required") != std::string_view::npos) {
        return ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED;
    }
    switch (static_cast<CURLcode>(failure.curlCode)) {
        case CURLE_OPERATION_TIMEDOUT:
            return ERROR_INTERNET_TIMEOUT;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return ERROR_INTERNET_NAME_NOT_RESOLVED;
        case CURLE_COULDNT_CONNECT:
            return ERROR_INTERNET_CANNOT_CONNECT;
        case CURLE_URL_MALFORMAT:
            return ERROR_INTERNET_INVALID_URL;
        case CURLE_GOT_NOTHING:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_UNSUPPORTED_PROTOCOL:  // e.g. an HTTP/0.9 answer
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
#if LIBCURL_VERSION_NUM >= 0x080600
        case CURLE_TOO_LARGE:  // a response head longer than libcurl keeps
#endif
            return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        case CURLE_TOO_MANY_REDIRECTS:
            return ERROR_HTTP_REDIRECT_FAILED;
        case CURLE_BAD_CONTENT_ENCODING:
            return ERROR_INTERNET_DECODING_FAILED;
        case CURLE_ABORTED_BY_CALLBACK:
            return ERROR_INTERNET_OPERATION_CANCELLED;
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            return FromTransportFailure(failure);
        case CURLE_PEER_FAILED_VERIFICATION:
            return FromCertificateCheck(failure.tlsVerifyResult);
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
            return ERROR_INTERNET_INVALID_CA;
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
            return ERROR_INTERNET_SEC_INVALID_CERT;
        case CURLE_SSL_INVALIDCERTSTATUS:
            return ERROR_INTERNET_SEC_CERT_REVOKED;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_SHUTDOWN_FAILED:
        case CURLE_USE_SSL_FAILED:
            return FromTlsSetupFailure(failure);
        default:
            return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

}  // namespace win
