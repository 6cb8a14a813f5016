#include "control/ParameterRules.h"

#include "env/PathRules.h"
#include "platform/CodePage.h"
#include "platform/InternetUrl.h"

namespace kivcontrol {

namespace {

bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

// Offset of the last path component as PathFindFileNameA finds it: a
// separator only counts when a character other than a slash follows it, so
// "dir/" keeps its trailing slash. Walks characters, so a Shift-JIS trail
// byte is never taken for a backslash.
std::size_t FindFileNamePart(std::string_view path) {
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < path.size(); pos = win::CharNext(path, pos)) {
        const char c = path[pos];
        const bool separator = IsPathSeparator(c) || c == ':';
        if (separator && pos + 1 < path.size() && !IsPathSeparator(path[pos + 1])) {
            start = pos + 1;
        }
    }
    return start;
}

// "scheme://" and then the server. The URL parser is lenient here: it reads
// "http:/x.bin" and "http:///x.bin" as naming the server "x.bin", which the
// page never meant.
bool NamesServerAfterScheme(std::string_view url) {
    const std::size_t colon = url.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view rest = url.substr(colon + 1);
    return rest.size() > 2 && rest.starts_with("//") &&
           std::string_view("/\\?#").find(rest[2]) == std::string_view::npos;
}

}  // namespace

bool IsHttpUrl(std::string_view url) {
    win::DWORD serviceType = 0;
    std::string server;
    std::string object;
    win::INTERNET_PORT port = 0;
    return NamesServerAfterScheme(url) && win::ParseURL(url, serviceType, server, object, port);
}

bool IsSha256Text(std::string_view text) {
    return text.size() == 64 && env::IsUpperHexText(text);
}

std::string FileNameFromUrl(std::string_view url) {
    const std::string_view part = url.substr(FindFileNamePart(url));
    const std::size_t first = part.find_first_not_of("?#");
    if (first == std::string_view::npos) return std::string();
    const std::size_t end = part.find_first_of("?#", first);
    return std::string(part.substr(first, end == std::string_view::npos ? end : end - first));
}

std::string FileSystemNameKey(std::string_view name) {
    std::string native;
    return win::ProcessToUtf8(name, native) ? native : std::string(name);
}

}  // namespace kivcontrol
