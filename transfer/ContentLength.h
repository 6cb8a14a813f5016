#pragma once
// The server's Content-Length text as a size: decimal digits, or "0x" and
// hexadecimal digits (any case). Anything else leaves the size unchanged.
#include <cstdint>
#include <string_view>

namespace kivtransfer {

// True and `size` set when the text is a length; false and `size` untouched otherwise.
bool ParseContentLength(std::string_view text, std::uint64_t& size);

}  // namespace kivtransfer
