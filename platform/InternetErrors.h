#pragma once
// WinINet error numbers, and how libcurl's failures become them so that the
// Windows texts and code tags apply. The table is in docs/platform.md.
#include <string_view>

#include "platform/WinTypes.h"

namespace win {

constexpr DWORD ERROR_INTERNET_OUT_OF_HANDLES = 12001;
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_INTERNET_INVALID_OPTION = 12009;
constexpr DWORD ERROR_INTERNET_INCORRECT_PASSWORD = 12014;
constexpr DWORD ERROR_INTERNET_INVALID_OPERATION = 12016;
constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr DWORD ERROR_INTERNET_FORCE_RETRY = 12032;
constexpr DWORD ERROR_INTERNET_SEC_CERT_DATE_INVALID = 12037;
constexpr DWORD ERROR_INTERNET_SEC_CERT_CN_INVALID = 12038;
constexpr DWORD ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED = 12044;
constexpr DWORD ERROR_INTERNET_INVALID_CA = 12045;
constexpr DWORD ERROR_HTTP_HEADER_NOT_FOUND = 12150;
constexpr DWORD ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
constexpr DWORD ERROR_HTTP_INVALID_QUERY_REQUEST = 12154;
constexpr DWORD ERROR_HTTP_REDIRECT_FAILED = 12156;
constexpr DWORD ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;
constexpr DWORD ERROR_INTERNET_SEC_INVALID_CERT = 12169;
constexpr DWORD ERROR_INTERNET_SEC_CERT_REVOKED = 12170;
constexpr DWORD ERROR_INTERNET_DECODING_FAILED = 12175;

// What libcurl reported about a failed transfer.
struct CurlFailure {
    int curlCode = 0;          // CURLcode
    long osErrno = 0;          // CURLINFO_OS_ERRNO
    long tlsVerifyResult = 0;  // CURLINFO_SSL_VERIFYRESULT (an X509_V_ERR_* value)
    bool secure = false;       // the request went over TLS
    std::string_view message;  // curl's error buffer
};

// The WinINet number for a failure. CURLE_OUT_OF_MEMORY and CURLE_PARTIAL_FILE
// are not errors of this kind (memory is thrown as std::bad_alloc, a short body
// ends the body); they map to ERROR_INTERNET_INTERNAL_ERROR if asked.
DWORD InternetErrorFromCurl(const CurlFailure& failure);

}  // namespace win
