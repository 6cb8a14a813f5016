#include "platform/RunCredentials.h"

#include <mutex>

namespace win::inet {

namespace {

std::mutex& Guard() {
    static std::mutex guard;
    return guard;
}

RunCredentials& Stored() {
    static RunCredentials stored;
    return stored;
}

}  // namespace

void SetRunCredentials(RunCredentials credentials) {
    std::lock_guard lock(Guard());
    Stored() = std::move(credentials);
}

RunCredentials CurrentRunCredentials() {
    std::lock_guard lock(Guard());
    return Stored();
}

std::vector<std::string> RedactedCredentialLines() {
    std::lock_guard lock(Guard());
    std::vector<std::string> lines;
    if (!Stored().cookies.empty()) lines.emplace_back("Cookie: [redacted]");
    for (const std::string& header : Stored().headers) {
        lines.push_back(header.substr(0, header.find(':')) + ": [redacted]");
    }
    return lines;
}

std::string CookieEngineLine(const SessionCookie& cookie) {
    std::string line = cookie.httpOnly ? "#HttpOnly_" : "";
    // libcurl reads a leading dot as "subdomains too", as the file format's
    // second field says.
    line += (cookie.hostOnly ? "" : ".") + cookie.domain;
    line += cookie.hostOnly ? "\tFALSE\t" : "\tTRUE\t";
    line += cookie.path + "\t" + (cookie.secure ? "TRUE" : "FALSE") + "\t";
    line += std::to_string(cookie.expires) + "\t" + cookie.name + "\t" + cookie.value;
    return line;
}

}  // namespace win::inet
