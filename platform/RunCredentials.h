#pragma once
// What a run sends beyond its own request lines: the user's session cookies
// (from the browser's tab or a cookie file) and extra header lines. Held in
// this process's memory only: set by the host before the run's first session
// is made, read by each session when it starts. Nothing here is ever
// written to a file, a log or an error text.
#include <string>
#include <vector>

namespace win::inet {

struct SessionCookie {
    std::string domain;  // a host name or address, no leading dot
    bool hostOnly = true;  // false: the domain's subdomains too
    std::string path = "/";
    bool secure = false;  // only over https
    bool httpOnly = false;
    long long expires = 0;  // seconds since 1970; 0: for this run only
    std::string name;
    std::string value;
};

struct RunCredentials {
    std::vector<SessionCookie> cookies;
    // Whole "Name: value" lines, already checked; sent only to the origin of
    // the request they were given for, never after a redirect elsewhere.
    std::vector<std::string> headers;
};

void SetRunCredentials(RunCredentials credentials);
RunCredentials CurrentRunCredentials();

// What a request's account may show of them: "Cookie: [redacted]" when the
// run has cookies, and each extra line's name with its value redacted.
std::vector<std::string> RedactedCredentialLines();

// The cookie as one line of the Netscape cookie-file format, which
// libcurl's in-memory cookie engine takes.
std::string CookieEngineLine(const SessionCookie& cookie);

}  // namespace win::inet
