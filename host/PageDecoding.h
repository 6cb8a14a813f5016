#pragma once
// A page's bytes as UTF-8 text for the HTML parser. The charset comes from
// the server's Content-Type, else from a charset declaration in the first
// 1024 bytes (as browsers pre-scan for <meta charset>), else UTF-8. Pages in
// Shift_JIS, EUC-JP and other encodings iconv knows are converted.
#include <string>
#include <string_view>

// `contentType` is the server's Content-Type value, empty for a file. False
// with `error` for an encoding iconv does not know or bytes that are not in
// the declared one.
bool DecodePageBytes(std::string_view bytes, std::string_view contentType, std::string& utf8,
                     std::string& error);

// The charset named in a Content-Type value or in a text ("charset=NAME"),
// lower case; empty when there is none.
std::string FindCharset(std::string_view text);
