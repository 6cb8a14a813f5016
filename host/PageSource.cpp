#include "host/PageSource.h"

#include "host/PageFetch.h"
#include "host/PageFile.h"

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != prefix[i]) return false;
    }
    return true;
}

}  // namespace

bool IsWebUrl(std::string_view source) {
    return StartsWithNoCase(source, "http://") || StartsWithNoCase(source, "https://");
}

bool ReadPageSource(const std::string& source, std::string& bytes, std::string& contentType,
                    std::string& error, const PageFetchLimits& limits) {
    contentType.clear();
    if (IsWebUrl(source)) return FetchPage(source, limits, bytes, contentType, error);
    return ReadPageFile(source, bytes, error);
}
