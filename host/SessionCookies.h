#pragma once
// The user's session for a run, checked like any input from outside: the
// cookies a browser tab or a cookie file gives, and extra header lines from
// the command line. Nothing here writes a cookie anywhere; error texts name
// the line or the cookie's position, never a value.
#include <string>
#include <string_view>
#include <vector>

#include "platform/RunCredentials.h"

// Limits on what a run takes: browsers keep about 180 cookies a site and
// 4096 bytes a cookie.
inline constexpr std::size_t kMaxSessionCookies = 3000;
inline constexpr std::size_t kMaxCookieBytes = 4096;
inline constexpr std::size_t kMaxCookieFileBytes = 4 << 20;

// Name, value, domain and path fit to go out in a Cookie header: the name a
// token, the value cookie-octets (optionally within double quotes), the
// domain a host name or address, the path starting with '/', no control
// characters anywhere, within kMaxCookieBytes.
bool IsSendableCookie(const win::inet::SessionCookie& cookie);

// Whether `host` is the cookie's domain, or a subdomain of it when the
// cookie is not host-only (browser rules, no public-suffix list).
bool CookieDomainMatches(const win::inet::SessionCookie& cookie, std::string_view host);

// The Netscape cookie-file format (browsers' exporters, curl -c, wget
// --save-cookies): seven tab-separated fields a line, "#HttpOnly_" before
// the domain allowed, other '#' lines and blank ones skipped, rows expired
// before `now` skipped. False with `error` for a line that is not a cookie.
bool ParseCookieFile(std::string_view text, long long now,
                     std::vector<win::inet::SessionCookie>& cookies, std::string& error);

// Reads FILE for --load-cookies; `warning` (may stay empty) says when the
// file is no plain file or others may read it.
bool LoadCookieFile(const std::string& path, std::vector<win::inet::SessionCookie>& cookies,
                    std::string& warning, std::string& error);

// "NAME: VALUE" for --header, as it goes out. Refused: no colon, a name that
// is no token, control characters, and the lines the run writes itself or
// that belong to a connection (Host, Range, If-Range, Content-Length,
// Transfer-Encoding, Connection, Keep-Alive, Proxy-*, TE, Trailer, Upgrade,
// Expect).
bool ParseExtraHeader(std::string_view text, std::string& line, std::string& error);
