#include "tools/kivtool/Json.h"

#include <cstdio>

#include "platform/CodePage.h"

namespace kivtool {
namespace {

// Length of a valid UTF-8 sequence at `pos`, or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    std::size_t length = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return 0;
    if (pos + length > s.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(s[pos + i]) & 0xC0) != 0x80) return 0;
    }
    return length;
}

void AppendEscaped(std::string& out, unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04x", value);
    out += buffer;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string utf8;
    if (!win::ProcessToUtf8(text, utf8)) utf8.assign(text);
    std::string out = "\"";
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[pos]);
        const std::size_t length = Utf8SequenceLength(utf8, pos);
        if (length == 0) {
            AppendEscaped(out, c);
            ++pos;
            continue;
        }
        if (length > 1) {
            out.append(utf8, pos, length);
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            AppendEscaped(out, c);
        } else {
            out += static_cast<char>(c);
        }
        pos += length;
    }
    out += '"';
    return out;
}

}  // namespace kivtool
