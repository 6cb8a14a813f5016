// Reading of the store file (format in RegistryFile.h).
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "platform/HexDigit.h"
#include "platform/Registry.h"
#include "platform/RegistryFile.h"

namespace win::registry {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view TrimLeft(std::string_view text) {
    std::size_t start = text.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

std::string_view TrimRight(std::string_view text) {
    std::size_t end = text.find_last_not_of(" \t");
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string_view Trim(std::string_view text) {
    return TrimLeft(TrimRight(text));
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool ParseHexNumber(std::string_view digits, std::size_t maxDigits, DWORD& number) {
    if (digits.empty() || digits.size() > maxDigits) return false;
    number = 0;
    for (char c : digits) {
        int digit = HexValue(c);
        if (digit < 0) return false;
        number = (number << 4) | static_cast<DWORD>(digit);
    }
    return true;
}

// A quoted text with the escapes \\ and \" (and \n, \r, \0, which other
// editors write). `rest` receives what follows the closing quote.
bool ParseQuoted(std::string_view text, std::string& out, std::string_view& rest) {
    if (text.empty() || text[0] != '"') return false;
    for (std::size_t i = 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            rest = text.substr(i + 1);
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == text.size()) return false;
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case '"':
                out += '"';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case '0':
                out += '\0';
                break;
            default:
                return false;
        }
    }
    return false;
}

// "name"= or @=; `rest` receives the data text after the equals sign.
bool ParseValueHead(std::string_view line, std::string& name, std::string_view& rest) {
    if (line.empty()) return false;
    if (line[0] == '@') {
        rest = line.substr(1);
    } else if (!ParseQuoted(line, name, rest)) {
        return false;
    }
    rest = TrimLeft(rest);
    if (rest.empty() || rest[0] != '=') return false;
    rest = Trim(rest.substr(1));
    return true;
}

// Comma-separated bytes; one trailing comma is tolerated.
bool ParseHexBytes(std::string_view text, std::string& bytes) {
    text = Trim(text);
    if (!text.empty() && text.back() == ',') text.remove_suffix(1);
    if (text.empty()) return true;
    for (std::size_t start = 0;;) {
        std::size_t comma = text.find(',', start);
        std::string_view token = Trim(text.substr(start, comma - start));
        DWORD byte = 0;
        if (!ParseHexNumber(token, 2, byte)) return false;
        bytes += static_cast<char>(byte);
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

bool ParseHexData(std::string_view text, Value& value) {
    std::string_view bytes;
    if (text.starts_with("hex:")) {
        value.type = REG_BINARY;
        bytes = text.substr(4);
    } else {
        std::size_t close = text.find("):");
        if (!text.starts_with("hex(") || close == std::string_view::npos) return false;
        if (!ParseHexNumber(text.substr(4, close - 4), 8, value.type)) return false;
        bytes = text.substr(close + 2);
    }
    return ParseHexBytes(bytes, value.data);
}

bool ParseData(std::string_view text, Value& value) {
    std::string_view rest;
    if (ParseQuoted(text, value.data, rest)) {
        value.type = REG_SZ;
        value.data += '\0';
        return Trim(rest).empty();
    }
    if (text.starts_with("dword:")) {
        DWORD number = 0;
        if (!ParseHexNumber(text.substr(6), 8, number)) return false;
        value.type = REG_DWORD;
        for (int i = 0; i < 4; ++i) value.data += static_cast<char>((number >> (8 * i)) & 0xFF);
        return true;
    }
    return text.starts_with("hex") && ParseHexData(text, value);
}

std::optional<Value> ParseValue(std::string_view logicalLine) {
    Value value;
    std::string_view data;
    if (!ParseValueHead(logicalLine, value.name, data) || !ParseData(data, value)) {
        return std::nullopt;
    }
    return value;
}

class CParser {
public:
    CParser(std::vector<std::string_view> lines, Document& document)
        : lines_(std::move(lines)), document_(document) {}

    void Run() {
        for (index_ = 1; index_ < lines_.size();) {
            std::string_view line = Trim(lines_[index_]);
            if (line.empty()) {
                ++index_;
            } else if (line[0] == '[') {
                StartSection(line);
                ++index_;
            } else {
                ReadEntry();
            }
        }
    }

private:
    std::vector<Entry>& Current() {
        return section_ < 0 ? document_.preamble : document_.sections[section_].entries;
    }
    // Names of the values read so far in the current section, folded.
    std::unordered_set<std::string>& CurrentNames() { return names_[section_ + 1]; }

    void StartSection(std::string_view line) {
        KeyPath path;
        std::string_view inner = line.substr(1);
        bool namesKey = inner.ends_with(']') && !inner.starts_with('-');
        if (namesKey) {
            inner.remove_suffix(1);
            namesKey = SplitKeyPath(inner, path) && !path.empty();
        }
        std::string folded = namesKey ? FoldedPath(path) : std::string();
        if (namesKey) {
            const auto known = sectionsByPath_.find(folded);
            if (known != sectionsByPath_.end()) {
                section_ = static_cast<long>(known->second);
                return;
            }
            sectionsByPath_.emplace(std::move(folded), document_.sections.size());
        }
        Section section;
        section.headerLine = namesKey ? "[" + JoinKeyPath(path) + "]" : std::string(lines_[index_]);
        section.path = std::move(path);
        document_.sections.push_back(std::move(section));
        section_ = static_cast<long>(document_.sections.size()) - 1;
        names_.emplace_back();
    }

    // One value, with its ",\" continuation lines when its data is hex.
    void ReadEntry() {
        Entry entry;
        std::string logical(TrimRight(lines_[index_]));
        entry.verbatim.emplace_back(lines_[index_++]);
        std::string name;
        std::string_view data;
        bool isHex = ParseValueHead(logical, name, data) && data.starts_with("hex");
        while (isHex && logical.ends_with('\\') && index_ < lines_.size()) {
            std::string_view next = Trim(lines_[index_]);
            if (next.empty() || next[0] == '[') break;
            logical.pop_back();
            logical += next;
            entry.verbatim.emplace_back(lines_[index_++]);
        }
        std::optional<Value> value = ParseValue(logical);
        if (value && IsStorableName(value->name) &&
            CurrentNames().insert(FoldedName(value->name)).second) {
            entry.value = std::move(value);
            entry.verbatim.clear();
        } else {
            entry.cutShort = isHex && logical.ends_with('\\');
        }
        Current().push_back(std::move(entry));
    }

    // The key's components folded and joined by NUL, which no name holds, so
    // that two paths give one text exactly when they name the same key.
    static std::string FoldedPath(const KeyPath& path) {
        std::string folded;
        for (const std::string& component : path) {
            folded += FoldedName(component);
            folded += '\0';
        }
        return folded;
    }

    std::vector<std::string_view> lines_;
    Document& document_;
    // Sections that name a key, by FoldedPath: a file with many keys reads in linear time.
    std::unordered_map<std::string, std::size_t> sectionsByPath_;
    std::size_t index_ = 0;
    long section_ = -1;                                      // the preamble
    std::vector<std::unordered_set<std::string>> names_{1};  // the preamble's first
};

}  // namespace

bool ParseRegistryText(std::string_view text, Document& document) {
    document = Document();
    if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return true;
    std::vector<std::string_view> lines = SplitLines(text);
    if (TrimRight(lines[0]) != kRegistryFileHeader) return false;
    CParser(std::move(lines), document).Run();
    return true;
}

}  // namespace win::registry
