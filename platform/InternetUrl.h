#pragma once
// Splitting a URL into what a request needs, as the framework's AfxParseURL
// does for the two services the transfer uses.
#include <string>
#include <string_view>

#include "platform/InternetConstants.h"

namespace win {

// Splits an absolute http or https URL: the service type
// (AFX_INET_SERVICE_HTTP or AFX_INET_SERVICE_HTTPS), the server (an IPv6
// literal keeps its brackets), the object (path and query, "/" at least,
// spaces written as %20; the fragment is not part of it) and the port (the
// scheme's default when the URL names none). User name and password in the
// URL are dropped. False, with the outputs unchanged, for any other URL.
bool ParseURL(std::string_view url, DWORD& serviceType, std::string& server, std::string& object,
              INTERNET_PORT& port);

}  // namespace win
