#include "platform/Json.h"

#include <cstdio>

#include "platform/CodePage.h"

namespace json {
namespace {

void AppendEscaped(std::string& out, unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04x", value);
    out += buffer;
}

}  // namespace

const Value* Value::Find(std::string_view name) const {
    for (const auto& [memberName, member] : members) {
        if (memberName == name) return &member;
    }
    return nullptr;
}

std::string JsonString(std::string_view text) {
    std::string utf8;
    if (!win::ProcessToUtf8(text, utf8)) utf8.assign(text);
    return Quote(utf8);
}

std::string Quote(std::string_view utf8) {
    std::string out = "\"";
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[pos]);
        const std::size_t length = win::Utf8SequenceLength(utf8, pos);
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

}  // namespace json
