#pragma once
#include <string>
#include <string_view>

namespace kivtool {

// "4B69" -> "Ki"; false for odd length or a non-hex character.
bool DecodeHex(std::string_view hex, std::string& bytes);
// Upper-case hexadecimal of the bytes.
std::string EncodeHex(std::string_view bytes);

}  // namespace kivtool
