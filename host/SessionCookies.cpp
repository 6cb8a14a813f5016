#include "host/SessionCookies.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>

using win::inet::SessionCookie;

namespace {

bool IsTokenChar(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && byte < 0x7F && std::strchr("()<>@,;:\\\"/[]?={}", c) == nullptr;
}

bool IsToken(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsTokenChar);
}

// RFC 6265 cookie-octet: no blank, '"', ',', ';' or '\'.
bool IsCookieValue(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return std::all_of(value.begin(), value.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte < 0x7F && c != '"' && c != ',' && c != ';' && c != '\\';
    });
}

bool IsHostName(std::string_view host) {
    return !host.empty() && host.size() <= 253 && host.front() != '.' &&
           std::all_of(host.begin(), host.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '.' || c == '_' || c == ':' || c == '[' || c == ']';
           });
}

bool IsCookiePath(std::string_view path) {
    return path.starts_with('/') && std::all_of(path.begin(), path.end(), [](char c) {
               const auto byte = static_cast<unsigned char>(c);
               return byte > 0x20 && byte < 0x7F && c != ';';
           });
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return lower;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

bool ParseFlag(std::string_view text, bool& flag) {
    const std::string lower = Lower(text);
    flag = lower == "true";
    return flag || lower == "false";
}

bool ParseCookieLine(std::string_view line, SessionCookie& cookie) {
    constexpr std::string_view kHttpOnly = "#HttpOnly_";
    if (line.starts_with(kHttpOnly)) {
        cookie.httpOnly = true;
        line.remove_prefix(kHttpOnly.size());
    }
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() != 7) return false;
    std::string_view domain = fields[0];
    bool subdomains = false;
    if (!ParseFlag(fields[1], subdomains) || !ParseFlag(fields[3], cookie.secure)) return false;
    // curl writes ".example.com" with TRUE; a leading dot alone means the same.
    if (domain.starts_with('.')) {
        domain.remove_prefix(1);
        subdomains = true;
    }
    cookie.domain = Lower(domain);
    cookie.hostOnly = !subdomains;
    cookie.path = fields[2];
    const auto [end, failure] =
        std::from_chars(fields[4].data(), fields[4].data() + fields[4].size(), cookie.expires);
    if (failure != std::errc() || end != fields[4].data() + fields[4].size()) return false;
    cookie.name = fields[5];
    cookie.value = fields[6];
    return IsSendableCookie(cookie);
}

}  // namespace

bool IsSendableCookie(const SessionCookie& cookie) {
    return cookie.name.size() + cookie.value.size() <= kMaxCookieBytes && IsToken(cookie.name) &&
           IsCookieValue(cookie.value) && IsHostName(cookie.domain) && IsCookiePath(cookie.path) &&
           cookie.path.size() <= 1024 && cookie.expires >= 0;
}

bool CookieDomainMatches(const SessionCookie& cookie, std::string_view host) {
    const std::string lowerHost = Lower(host);
    const std::string domain = Lower(cookie.domain);
    if (lowerHost == domain) return true;
    return !cookie.hostOnly && lowerHost.size() > domain.size() && lowerHost.ends_with(domain) &&
           lowerHost[lowerHost.size() - domain.size() - 1] == '.';
}

bool ParseCookieFile(std::string_view text, long long now, std::vector<SessionCookie>& cookies,
                     std::string& error) {
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.empty() || (line.starts_with('#') && !line.starts_with("#HttpOnly_"))) continue;
        SessionCookie cookie;
        if (!ParseCookieLine(line, cookie)) {
            error = "line " + std::to_string(lineNumber) + " is not a cookie the run can send";
            return false;
        }
        if (cookie.expires != 0 && cookie.expires < now) continue;
        if (cookies.size() == kMaxSessionCookies) {
            error = "more than " + std::to_string(kMaxSessionCookies) + " cookies";
            return false;
        }
        cookies.push_back(std::move(cookie));
    }
    return true;
}

bool LoadCookieFile(const std::string& path, std::vector<SessionCookie>& cookies,
                    std::string& warning, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        error = "cannot read the cookie file: " + std::string(std::strerror(errno));
        if (fd >= 0) ::close(fd);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        warning = "the cookie file is not a plain file";
    } else if ((status.st_mode & (S_IRGRP | S_IROTH)) != 0) {
        warning = "the cookie file may be read by other users (chmod 600 it)";
    }
    std::string text;
    std::array<char, 65536> chunk;
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || text.size() + static_cast<std::size_t>(got) > kMaxCookieFileBytes) {
            ::close(fd);
            if (got == 0) break;
            error = got < 0 ? "cannot read the cookie file: " + std::string(std::strerror(errno))
                            : "the cookie file is larger than 4 MiB";
            return false;
        }
        text.append(chunk.data(), static_cast<std::size_t>(got));
    }
    const bool parsed = ParseCookieFile(text, static_cast<long long>(std::time(nullptr)), cookies, error);
    std::fill(text.begin(), text.end(), '\0');
    return parsed;
}

bool ParseExtraHeader(std::string_view text, std::string& line, std::string& error) {
    static constexpr std::array<std::string_view, 14> kRefused = {
        "host",       "range",   "if-range",  "content-length", "transfer-encoding",
        "connection", "keep-alive", "te",     "trailer",        "upgrade",
        "expect",     "proxy-authorization", "proxy-connection", "proxy-authenticate"};
    const bool control = std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t') || byte == 0x7F;
    });
    const std::size_t colon = text.find(':');
    if (control || colon == std::string_view::npos) {
        error = control ? "--header takes no control characters" : "--header needs 'NAME: VALUE'";
        return false;
    }
    const std::string_view name = text.substr(0, colon);
    std::string_view value = text.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    const std::string lower = Lower(name);
    if (!IsToken(name) || value.empty()) {
        error = "--header needs 'NAME: VALUE' with a header name and a value";
        return false;
    }
    if (std::find(kRefused.begin(), kRefused.end(), lower) != kRefused.end()) {
        error = "--header cannot set " + std::string(name) + ": the run writes it itself";
        return false;
    }
    line = std::string(name) + ": " + std::string(value);
    return true;
}
