#include "tests/support/CannedResponse.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

namespace kivtest {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 206:
            return "Partial Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 304:
            return "Not Modified";
        case 307:
            return "Temporary Redirect";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 407:
            return "Proxy Authentication Required";
        case 416:
            return "Range Not Satisfiable";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

bool HasHeader(const std::vector<std::string>& lines, std::string_view name) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.size() > name.size() && line[name.size()] == ':' &&
               EqualNoCase(std::string_view(line).substr(0, name.size()), name);
    });
}

// "bytes=N-" or "bytes=N-M"; false for anything else (served whole).
bool ParseRange(const std::string& value, std::uint64_t& first, std::uint64_t& last) {
    if (value.rfind("bytes=", 0) != 0 || value.find(',') != std::string::npos) {
        return false;
    }
    std::size_t dash = value.find('-', 6);
    if (dash == std::string::npos || dash == 6) {
        return false;
    }
    try {
        first = std::stoull(value.substr(6, dash - 6));
        last = dash + 1 < value.size() ? std::stoull(value.substr(dash + 1)) : UINT64_MAX;
    } catch (const std::exception&) {
        return false;
    }
    return first <= last;
}

}  // namespace

std::string RecordedRequest::Method() const {
    return requestLine.substr(0, requestLine.find(' '));
}

bool RecordedRequest::HasLine(std::string_view line) const {
    return std::find(headerLines.begin(), headerLines.end(), line) != headerLines.end();
}

std::optional<std::string> RecordedRequest::Header(std::string_view name) const {
    for (const std::string& line : headerLines) {
        std::size_t colon = line.find(':');
        if (colon != std::string::npos &&
            EqualNoCase(std::string_view(line).substr(0, colon), name)) {
            std::size_t start = line.find_first_not_of(' ', colon + 1);
            return start == std::string::npos ? std::string() : line.substr(start);
        }
    }
    return std::nullopt;
}

CannedResponse CannedResponse::Ok(std::string body, std::string contentType) {
    CannedResponse response;
    response.body = std::move(body);
    response.headers.push_back("Content-Type: " + contentType);
    return response;
}

CannedResponse CannedResponse::Status(int status) {
    CannedResponse response;
    response.status = status;
    response.body = "status " + std::to_string(status) + "\n";
    response.headers.push_back("Content-Type: text/plain");
    return response;
}

CannedResponse CannedResponse::Html(std::string body) {
    return Ok(std::move(body), "text/html");
}

CannedResponse CannedResponse::Redirect(int status, std::string location) {
    CannedResponse response = Status(status);
    response.headers.push_back("Location: " + location);
    return response;
}

CannedResponse CannedResponse::Raw(std::string bytes, Ending ending) {
    CannedResponse response;
    response.raw = std::move(bytes);
    response.ending = ending;
    return response;
}

CannedResponse CannedResponse::Reset() {
    return Raw("", Ending::Reset);
}

CannedResponse CannedResponse::ProxyAuthGate(std::string user, std::string password) {
    CannedResponse response = Status(407);
    response.headers.push_back("Proxy-Authenticate: Basic realm=\"canned\"");
    response.proxyCredentials = std::make_pair(std::move(user), std::move(password));
    return response;
}

CannedResponse CannedResponse::File(std::string content, std::string lastModified) {
    CannedResponse response = Ok(std::move(content));
    response.headers.push_back("Last-Modified: " + lastModified);
    response.headers.push_back("Accept-Ranges: bytes");
    response.honourRange = true;
    return response;
}

CannedResponse::Wire CannedResponse::Compose(const RecordedRequest& request) const {
    if (raw) {
        return {"", *raw};
    }
    int sentStatus = status;
    std::vector<std::string> lines = headers;
    std::string content = body;
    std::uint64_t first = 0, last = 0;
    std::optional<std::string> range = request.Header("Range");
    if (honourRange && status == 200 && range && ParseRange(*range, first, last)) {
        const std::uint64_t total = body.size();
        if (first >= total) {
            sentStatus = 416;
            lines.push_back("Content-Range: bytes */" + std::to_string(total));
            content.clear();
        } else {
            last = std::min<std::uint64_t>(last, total - 1);
            sentStatus = 206;
            lines.push_back("Content-Range: bytes " + std::to_string(first) + "-" +
                            std::to_string(last) + "/" + std::to_string(total));
            content = body.substr(first, last - first + 1);
        }
    }
    if (autoContentLength && !HasHeader(lines, "Content-Length")) {
        lines.push_back("Content-Length: " + std::to_string(content.size()));
    }
    std::string head =
        "HTTP/1.1 " + std::to_string(sentStatus) + " " + ReasonPhrase(sentStatus) + "\r\n";
    for (const std::string& line : lines) {
        head += line + "\r\n";
    }
    head += "\r\n";
    if (request.Method() == "HEAD") {
        content.clear();
    }
    return {head, content};
}

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        std::uint32_t n = (static_cast<unsigned char>(bytes[i]) << 16) |
                          (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                          static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) {
            text += kDigits[(n >> shift) & 63];
        }
    }
    if (std::size_t rest = bytes.size() - i) {
        std::uint32_t n = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) {
            n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        text += kDigits[(n >> 18) & 63];
        text += kDigits[(n >> 12) & 63];
        text += rest == 2 ? kDigits[(n >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

}  // namespace kivtest
