#include "platform/InternetUrl.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>

#include "platform/InternetSessionCore.h"

namespace win {

namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

bool GetPart(CURLU* url, CURLUPart part, unsigned flags, std::string& value) {
    char* text = nullptr;
    CURLUcode code = curl_url_get(url, part, &text, flags);
    if (code == CURLUE_OUT_OF_MEMORY) {
        throw std::bad_alloc();
    }
    if (code != CURLUE_OK) {
        return false;
    }
    value = text;
    curl_free(text);
    return true;
}

std::string EscapeSpaces(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        if (c == ' ') {
            escaped += "%20";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

}  // namespace

bool ParseURL(std::string_view url, DWORD& serviceType, std::string& server, std::string& object,
              INTERNET_PORT& port) {
    inet::EnsureCurlReady();
    UrlHandle handle(curl_url());
    if (!handle) {
        throw std::bad_alloc();
    }
    std::string text(url);
    if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), CURLU_ALLOW_SPACE) != CURLUE_OK) {
        return false;
    }
    std::string scheme, host, path, query, portText;
    if (!GetPart(handle.get(), CURLUPART_SCHEME, 0, scheme) ||
        !GetPart(handle.get(), CURLUPART_HOST, 0, host) ||
        !GetPart(handle.get(), CURLUPART_PATH, 0, path) ||
        !GetPart(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT, portText)) {
        return false;
    }
    if (scheme != "http" && scheme != "https") {
        return false;
    }
    char* portEnd = nullptr;
    const unsigned long portNumber = std::strtoul(portText.c_str(), &portEnd, 10);
    if (portText.empty() || *portEnd != '\0') {
        return false;
    }
    if (host.empty() || portNumber == 0 || portNumber > 65535) {
        return false;
    }
    serviceType = scheme == "https" ? AFX_INET_SERVICE_HTTPS : AFX_INET_SERVICE_HTTP;
    server = host;
    object = EscapeSpaces(path.empty() ? "/" : path);
    if (GetPart(handle.get(), CURLUPART_QUERY, 0, query)) {
        // Appended in two steps: GCC 12 at -O3 takes `"?" + text` for an overlapping copy.
        object += '?';
        object += EscapeSpaces(query);
    }
    port = static_cast<INTERNET_PORT>(portNumber);
    return true;
}

}  // namespace win
