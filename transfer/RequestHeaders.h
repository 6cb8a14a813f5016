#pragma once
// The extra header lines of our requests: the product as the User-Agent and,
// when continuing a partial file, the byte range still missing.
#include <cstdint>
#include <string>
#include <string_view>

// "User-Agent: <product>\r\n".
std::string UserAgentHeader(std::string_view productName);

// The User-Agent line, "Range: bytes=<offset>-\r\n" when `offset` > 0, then
// `extraHeaders` as given.
std::string TransferHeaders(std::string_view productName, std::uint64_t offset,
                            std::string_view extraHeaders);
