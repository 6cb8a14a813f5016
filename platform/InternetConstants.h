#pragma once
// The WinINet vocabulary the transfer code is written in: request flags,
// verbs, query levels, service types, options and connected states, with
// their Windows values.
#include "platform/WinTypes.h"

namespace win {

using INTERNET_PORT = WORD;

constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

// Request flags. RELOAD makes the request send "Pragma: no-cache" and
// "Cache-Control: no-cache"; SECURE selects https; the others are accepted
// for their meaning on Windows (there is no cache to write here, and
// connections are always reused within a session).
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000u;
constexpr DWORD INTERNET_FLAG_EXISTING_CONNECT = 0x20000000u;
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000u;
constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000u;

// Verbs of CHttpConnection::OpenRequest.
constexpr int HTTP_VERB_GET = 1;
constexpr int HTTP_VERB_HEAD = 2;

// Header values CHttpFile::QueryInfo answers.
constexpr DWORD HTTP_QUERY_CONTENT_TYPE = 1;
constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr DWORD HTTP_QUERY_LAST_MODIFIED = 11;

// Service types of ParseURL.
constexpr DWORD AFX_INET_SERVICE_HTTP = 3;
constexpr DWORD AFX_INET_SERVICE_HTTPS = 4107;

// Options of CInternetSession::SetOption (values in milliseconds).
constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;
constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;

// States of QueryInternetConnectedState.
constexpr DWORD INTERNET_STATE_CONNECTED = 0x1;
constexpr DWORD INTERNET_STATE_DISCONNECTED_BY_USER = 0x10;

}  // namespace win
