#include "transfer/RequestHeaders.h"

#include <algorithm>

namespace kivtransfer {

namespace {

// A server's text that can go back in a header line: not empty, no control
// characters (a line break would start a header of the server's choosing).
bool IsHeaderValue(std::string_view text) {
    return !text.empty() && std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

}  // namespace

std::string UserAgentHeader(std::string_view productName) {
    std::string line = "User-Agent: ";
    line += productName;
    line += "\r\n";
    return line;
}

std::string TransferHeaders(std::string_view productName, std::uint64_t offset,
                            std::string_view lastModified, std::string_view extraHeaders) {
    std::string headers = UserAgentHeader(productName);
    if (offset > 0) {
        headers += "Range: bytes=" + std::to_string(offset) + "-\r\n";
        if (IsHeaderValue(lastModified)) {
            headers += "If-Range: ";
            headers += lastModified;
            headers += "\r\n";
        }
    }
    headers += extraHeaders;
    return headers;
}

}  // namespace kivtransfer
