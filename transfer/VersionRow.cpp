#include "transfer/VersionRow.h"

#include <cstdint>
#include <cstdio>

#include "platform/CodePage.h"
#include "transfer/CSVParser.h"

namespace kivtransfer {

namespace versionrow {
namespace {

constexpr std::size_t kFieldCount = 4;

std::string_view TrimSpaces(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void AppendDoubledQuotes(std::string_view value, std::string& out) {
    for (char character : value) {
        out += character;
        if (character == '"') {
            out += '"';
        }
    }
}

int DigitValue(char character, bool hex) {
    if (character >= '0' && character <= '9') {
        return character - '0';
    }
    const char lower = static_cast<char>(character | 0x20);
    if (hex && lower >= 'a' && lower <= 'f') {
        return lower - 'a' + 10;
    }
    return -1;
}

// Accumulates digits while the value stays within `limit`; false for an
// empty text, a foreign character or a value above the limit.
bool ReadDigits(std::string_view digits, bool hex, std::uint64_t limit, std::uint64_t& value) {
    value = 0;
    if (digits.empty()) {
        return false;
    }
    const unsigned base = hex ? 16 : 10;
    for (char character : digits) {
        const int digit = DigitValue(character, hex);
        if (digit < 0) {
            return false;
        }
        value = value * base + static_cast<unsigned>(digit);
        if (value > limit) {
            return false;
        }
    }
    return true;
}

// "%ld" for what the program writes (0 and other non-negative numbers); a
// negative number goes in the hexadecimal form, the only one the reader
// takes a negative value from.
void AppendNumber(win::LONG number, std::string& out) {
    if (number >= 0) {
        out += std::to_string(number);
        return;
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x",
                  static_cast<unsigned>(static_cast<std::uint32_t>(number)));
    out += hex;
}

}  // namespace

bool IsStorableValue(std::string_view value) {
    return value.find('\n') == std::string_view::npos;
}

bool IsStorableKey(std::string_view key) {
    return IsStorableValue(key) && key.find_first_not_of('"') != std::string_view::npos;
}

bool AppendRow(std::string_view key, const tagComposition& entry, std::string& out) {
    if (!IsStorableKey(key) || !IsStorableValue(entry.path) || !IsStorableValue(entry.storedText)) {
        return false;
    }
    // "\"%s\",\" %s\",\" %s\", \" %ld\"\r\n"
    out += '"';
    AppendDoubledQuotes(key, out);
    out += "\",\" ";
    AppendDoubledQuotes(entry.path, out);
    out += "\",\" ";
    AppendDoubledQuotes(entry.storedText, out);
    out += "\", \" ";
    AppendNumber(entry.number, out);
    out += "\"\r\n";
    return true;
}

bool ParseRowText(std::string_view line, std::string& key, tagComposition& entry) {
    CCSVParser parser;
    parser.SetTrim(true);
    parser.SetLine(line);
    std::vector<std::string> fields;
    if (!parser.Parse(fields) || fields.size() < kFieldCount) {
        return false;
    }
    key = std::move(fields[0]);
    entry.path = TrimSpaces(fields[1]);
    entry.storedText = TrimSpaces(fields[2]);
    entry.number = ParseNumberField(TrimSpaces(fields[3]));
    return true;
}

win::LONG ParseNumberField(std::string_view text) {
    std::uint64_t value = 0;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        if (!ReadDigits(text.substr(2), true, 0xFFFFFFFFu, value)) {
            return 0;
        }
        return static_cast<win::LONG>(static_cast<std::uint32_t>(value));
    }
    // Decimal digits only: a sign is "any other character".
    if (!ReadDigits(text, false, 0x7FFFFFFFu, value)) {
        return 0;
    }
    return static_cast<win::LONG>(value);
}

std::vector<std::string_view> SplitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
    }
    return lines;
}

std::string MakeLockName(std::string_view path) {
    std::string name(path);
    for (std::size_t position = 0; position < name.size();
         position = win::CharNext(name, position)) {
        if (name[position] == '\\') {
            name[position] = '/';
        }
    }
    return name;
}

}  // namespace versionrow

}  // namespace kivtransfer
