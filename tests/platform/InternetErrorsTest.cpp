// How libcurl's failures become WinINet numbers.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/InternetErrors.h"

namespace {

using win::CurlFailure;
using win::InternetErrorFromCurl;

CurlFailure F(int code, long osErrno = 0, long verify = 0, bool secure = false,
              std::string_view message = {}) {
    CurlFailure failure;
    failure.curlCode = code;
    failure.osErrno = osErrno;
    failure.tlsVerifyResult = verify;
    failure.secure = secure;
    failure.message = message;
    return failure;
}

struct Case {
    CurlFailure failure;
    win::DWORD expected;
};

void ExpectMapping(std::initializer_list<Case> cases) {
    for (const Case& one : cases) {
        EXPECT_EQ(InternetErrorFromCurl(one.failure), one.expected)
            << "curl code " << one.failure.curlCode << ", errno " << one.failure.osErrno
            << ", verify " << one.failure.tlsVerifyResult;
    }
}

TEST(InternetErrorsTest, ConnectionFailures) {
    ExpectMapping({
        {F(CURLE_OPERATION_TIMEDOUT), win::ERROR_INTERNET_TIMEOUT},
        {F(CURLE_COULDNT_RESOLVE_HOST), win::ERROR_INTERNET_NAME_NOT_RESOLVED},
        {F(CURLE_COULDNT_RESOLVE_PROXY), win::ERROR_INTERNET_NAME_NOT_RESOLVED},
        {F(CURLE_COULDNT_CONNECT, ECONNREFUSED), win::ERROR_INTERNET_CANNOT_CONNECT},
        {F(CURLE_TOO_MANY_REDIRECTS), win::ERROR_HTTP_REDIRECT_FAILED},
        {F(CURLE_URL_MALFORMAT), win::ERROR_INTERNET_INVALID_URL},
    });
}

TEST(InternetErrorsTest, BrokenConnectionsByTheirSocketError) {
    ExpectMapping({
        {F(CURLE_RECV_ERROR, ECONNRESET), win::ERROR_INTERNET_CONNECTION_RESET},
        {F(CURLE_SEND_ERROR, EPIPE), win::ERROR_INTERNET_CONNECTION_RESET},
        {F(CURLE_RECV_ERROR, ETIMEDOUT), win::ERROR_INTERNET_CONNECTION_ABORTED},
        {F(CURLE_RECV_ERROR, 0), win::ERROR_INTERNET_CONNECTION_ABORTED},
        // Under TLS with no socket error the TLS layer refused the data.
        {F(CURLE_RECV_ERROR, 0, 0, true), win::ERROR_INTERNET_DECODING_FAILED},
        {F(CURLE_RECV_ERROR, ECONNRESET, 0, true), win::ERROR_INTERNET_CONNECTION_RESET},
    });
}

TEST(InternetErrorsTest, AnswersThatAreNotHttp) {
    ExpectMapping({
        {F(CURLE_GOT_NOTHING), win::ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {F(CURLE_WEIRD_SERVER_REPLY), win::ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {F(CURLE_UNSUPPORTED_PROTOCOL), win::ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {F(CURLE_BAD_CONTENT_ENCODING), win::ERROR_INTERNET_DECODING_FAILED},
    });
}

TEST(InternetErrorsTest, CertificateProblemsByTheCheckThatFailed) {
    constexpr int kFailed = CURLE_PEER_FAILED_VERIFICATION;
    ExpectMapping({
        {F(kFailed, 0, 10, true), win::ERROR_INTERNET_SEC_CERT_DATE_INVALID},  // expired
        {F(kFailed, 0, 9, true), win::ERROR_INTERNET_SEC_CERT_DATE_INVALID},   // not yet valid
        {F(kFailed, 0, 1, true), win::ERROR_INTERNET_SEC_CERT_CN_INVALID},     // curl's name check
        {F(kFailed, 0, 0, true), win::ERROR_INTERNET_SEC_CERT_CN_INVALID},
        {F(kFailed, 0, 62, true), win::ERROR_INTERNET_SEC_CERT_CN_INVALID},
        {F(kFailed, 0, 18, true), win::ERROR_INTERNET_INVALID_CA},  // self-signed
        {F(kFailed, 0, 20, true), win::ERROR_INTERNET_INVALID_CA},  // unknown issuer
        {F(kFailed, 0, 23, true), win::ERROR_INTERNET_SEC_CERT_REVOKED},
        {F(kFailed, 0, 7, true), win::ERROR_INTERNET_SEC_INVALID_CERT},  // bad signature
        {F(CURLE_SSL_CACERT_BADFILE, 0, 0, true), win::ERROR_INTERNET_INVALID_CA},
    });
}

TEST(InternetErrorsTest, TlsChannelFailures) {
    ExpectMapping({
        {F(CURLE_SSL_CONNECT_ERROR, 0, 0, true), win::ERROR_INTERNET_SECURITY_CHANNEL_ERROR},
        {F(CURLE_SSL_CONNECT_ERROR, ECONNRESET, 0, true), win::ERROR_INTERNET_CONNECTION_RESET},
        {F(CURLE_SSL_CIPHER, 0, 0, true), win::ERROR_INTERNET_SECURITY_CHANNEL_ERROR},
        {F(CURLE_SSL_CONNECT_ERROR, 0, 0, true,
           "OpenSSL SSL_connect: error:0A00045C:SSL routines::tlsv13 alert certificate required"),
         win::ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED},
        {F(CURLE_RECV_ERROR, 0, 0, true,
           "OpenSSL SSL_read: error:0A00045C:SSL routines::tlsv13 alert certificate required"),
         win::ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED},
    });
}

TEST(InternetErrorsTest, AnythingElseIsAnInternalError) {
    ExpectMapping({
        {F(CURLE_FAILED_INIT), win::ERROR_INTERNET_INTERNAL_ERROR},
        {F(CURLE_WRITE_ERROR), win::ERROR_INTERNET_INTERNAL_ERROR},
    });
}

}  // namespace
