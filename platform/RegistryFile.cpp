#include "platform/RegistryFile.h"

#include <cstdio>

#include "platform/Registry.h"

namespace win::registry {

const std::string_view kRegistryFileHeader = "Windows Registry Editor Version 5.00";

namespace {

constexpr const char* kLineEnd = "\r\n";
// The registry editor breaks hex data once a line reaches this many characters.
constexpr std::size_t kHexWrapColumn = 77;

std::string Quote(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// A string that fits between quotes on one line and reads back with its terminator.
bool IsQuotableString(const Value& value) {
    if (value.type != REG_SZ || value.data.empty() || value.data.back() != '\0') return false;
    std::string_view body(value.data.data(), value.data.size() - 1);
    return body.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string HexPrefix(DWORD type) {
    if (type == REG_BINARY) return "hex:";
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(type));
    return prefix;
}

void AppendHexData(std::string& line, DWORD type, std::string_view data) {
    line += HexPrefix(type);
    std::size_t column = line.size();
    for (std::size_t i = 0; i < data.size(); ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(data[i]));
        line += digits;
        if (i + 1 == data.size()) break;
        line += ',';
        column += 3;
        if (column >= kHexWrapColumn) {
            line += "\\";
            line += kLineEnd;
            line += "  ";
            column = 2;
        }
    }
}

void AppendEntry(std::string& text, const Entry& entry) {
    if (entry.value) {
        text += FormatValueLines(*entry.value);
        return;
    }
    for (const std::string& line : entry.verbatim) {
        text += line;
        text += kLineEnd;
    }
}

// A blank line follows every list of entries; inside one, a blank line keeps
// hex data cut short apart from the entry after it.
void AppendEntries(std::string& text, const std::vector<Entry>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        AppendEntry(text, entries[i]);
        if (entries[i].cutShort && i + 1 < entries.size()) text += kLineEnd;
    }
}

}  // namespace

std::string FormatValueLines(const Value& value) {
    std::string line = value.name.empty() ? "@" : Quote(value.name);
    line += '=';
    if (IsQuotableString(value)) {
        line += Quote(std::string_view(value.data.data(), value.data.size() - 1));
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        unsigned number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | static_cast<unsigned char>(value.data[i]);
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", number);
        line += digits;
    } else {
        AppendHexData(line, value.type, value.data);
    }
    return line + kLineEnd;
}

std::string FormatRegistryText(const Document& document) {
    std::string text(kRegistryFileHeader);
    text += kLineEnd;
    text += kLineEnd;
    AppendEntries(text, document.preamble);
    if (!document.preamble.empty()) text += kLineEnd;
    for (const Section& section : document.sections) {
        text += section.headerLine;
        text += kLineEnd;
        AppendEntries(text, section.entries);
        text += kLineEnd;
    }
    return text;
}

}  // namespace win::registry
