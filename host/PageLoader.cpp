#include "host/PageLoader.h"

#include "host/HostText.h"
#include "host/PageDecoding.h"
#include "host/PageParser.h"

namespace {

// A Content-Type the server gave must be an HTML one.
bool IsHtmlContentType(std::string_view contentType) {
    std::string type(contentType.substr(0, contentType.find(';')));
    for (char& c : type) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) type.pop_back();
    while (!type.empty() && (type.front() == ' ' || type.front() == '\t')) type.erase(0, 1);
    return type.empty() || type == "text/html" || type == "application/xhtml+xml";
}

}  // namespace

bool LoadPage(const std::string& source, HostPage& page, std::string& error,
              const PageFetchLimits& limits) {
    page = HostPage{};
    page.source = source;
    std::string bytes;
    std::string contentType;
    if (!ReadPageSource(source, bytes, contentType, error, limits)) return false;
    std::string cause;
    std::string text;
    bool parsed = false;
    if (!IsHtmlContentType(contentType)) {
        cause = HostText(textid::kNotHtmlContentType, {contentType});
    } else {
        parsed =
            DecodePageBytes(bytes, contentType, text, cause) && ParsePageHtml(text, page, cause);
    }
    if (!parsed) {
        error = HostText(textid::kPageProblem, {source, cause});
        return false;
    }
    return true;
}
