#include "transfer/RequestHeaders.h"

std::string UserAgentHeader(std::string_view productName) {
    std::string line = "User-Agent: ";
    line += productName;
    line += "\r\n";
    return line;
}

std::string TransferHeaders(std::string_view productName, std::uint64_t offset,
                            std::string_view extraHeaders) {
    std::string headers = UserAgentHeader(productName);
    if (offset > 0) {
        headers += "Range: bytes=" + std::to_string(offset) + "-\r\n";
    }
    headers += extraHeaders;
    return headers;
}
