#include "platform/InternetRedirect.h"

#include <curl/curl.h>

#include <memory>
#include <new>

namespace win::inet {

namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

UrlHandle ParsedUrl(std::string_view base, std::string_view reference) {
    UrlHandle url(curl_url());
    if (!url) {
        throw std::bad_alloc();
    }
    if (curl_url_set(url.get(), CURLUPART_URL, std::string(base).c_str(), 0) != CURLUE_OK) {
        return nullptr;
    }
    if (!reference.empty() &&
        curl_url_set(url.get(), CURLUPART_URL, std::string(reference).c_str(), 0) != CURLUE_OK) {
        return nullptr;
    }
    return url;
}

std::string Part(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK) {
        return {};
    }
    std::string value = text;
    curl_free(text);
    return value;
}

// User name and password stay out of messages.
std::string ShownUrl(CURLU* url) {
    curl_url_set(url, CURLUPART_USER, nullptr, 0);
    curl_url_set(url, CURLUPART_PASSWORD, nullptr, 0);
    return Part(url, CURLUPART_URL);
}

std::string Origin(std::string_view address) {
    UrlHandle url = ParsedUrl(address, {});
    if (!url) return {};
    char* port = nullptr;
    if (curl_url_get(url.get(), CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) != CURLUE_OK) {
        return {};
    }
    std::string origin = Part(url.get(), CURLUPART_SCHEME) + "://" +
                         Part(url.get(), CURLUPART_HOST) + ":" + port;
    curl_free(port);
    for (char& c : origin) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return origin;
}

}  // namespace

bool SameOrigin(std::string_view first, std::string_view second) {
    const std::string origin = Origin(first);
    return !origin.empty() && origin == Origin(second);
}

std::string DowngradingRedirect(std::string_view currentUrl, std::string_view location) {
    UrlHandle from = ParsedUrl(currentUrl, {});
    UrlHandle to = ParsedUrl(currentUrl, location);
    if (!from || !to || Part(from.get(), CURLUPART_SCHEME) != "https" ||
        Part(to.get(), CURLUPART_SCHEME) != "http") {
        return {};
    }
    return ShownUrl(from.get()) + " -> " + ShownUrl(to.get());
}

}  // namespace win::inet
