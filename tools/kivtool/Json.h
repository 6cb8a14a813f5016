#pragma once
#include <string>
#include <string_view>

namespace kivtool {

// A JSON string literal for a text in the process code page. Bytes that are
// not valid UTF-8 after conversion are written as \u00XX so nothing is lost silently.
std::string JsonString(std::string_view text);

}  // namespace kivtool
