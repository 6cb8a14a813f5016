#pragma once
// The extra header lines of our requests: the product as the User-Agent and,
// when continuing a partial file, the byte range still missing on condition
// that the source is still the one the file began with.
#include <cstdint>
#include <string>
#include <string_view>

namespace kivtransfer {

// "User-Agent: <product>\r\n".
std::string UserAgentHeader(std::string_view productName);

// The User-Agent line; when `offset` > 0 "Range: bytes=<offset>-\r\n" and,
// when `lastModified` is a usable value, "If-Range: <lastModified>\r\n" (a
// changed source then answers with the whole file); then `extraHeaders` as
// given.
std::string TransferHeaders(std::string_view productName, std::uint64_t offset,
                            std::string_view lastModified, std::string_view extraHeaders);

}  // namespace kivtransfer
