#include "platform/XdgUserDirs.h"

namespace win {

namespace {

std::string_view TrimLeadingBlanks(std::string_view line) {
    std::size_t start = line.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view() : line.substr(start);
}

// The value after '=': a double-quoted text with backslash escapes, or a bare word.
std::optional<std::string> UnquoteValue(std::string_view value) {
    if (value.empty() || value.front() != '"') {
        std::size_t end = value.find_first_of(" \t#");
        return std::string(value.substr(0, end));
    }
    std::string text;
    for (std::size_t pos = 1; pos < value.size(); ++pos) {
        char c = value[pos];
        if (c == '"') {
            return text;
        }
        if (c == '\\' && pos + 1 < value.size()) {
            c = value[++pos];
        }
        text += c;
    }
    return std::nullopt;  // unterminated quote
}

std::optional<std::string> ResolveHome(const std::string& value, std::string_view home) {
    for (std::string_view prefix : {"$HOME", "${HOME}"}) {
        if (value.starts_with(prefix) &&
            (value.size() == prefix.size() || value[prefix.size()] == '/')) {
            return std::string(home) + value.substr(prefix.size());
        }
    }
    if (value.starts_with('/')) {
        return value;
    }
    return std::nullopt;
}

std::optional<std::string> ParseAssignment(std::string_view line, std::string_view variable,
                                           std::string_view home) {
    line = TrimLeadingBlanks(line);
    if (!line.starts_with(variable) || line.substr(variable.size(), 1) != "=") {
        return std::nullopt;
    }
    std::optional<std::string> value = UnquoteValue(line.substr(variable.size() + 1));
    if (!value) {
        return std::nullopt;
    }
    return ResolveHome(*value, home);
}

}  // namespace

std::optional<std::string> FindUserDir(std::string_view fileText, std::string_view variable,
                                       std::string_view home) {
    std::optional<std::string> found;
    while (!fileText.empty()) {
        std::size_t end = fileText.find('\n');
        std::string_view line = fileText.substr(0, end);
        fileText = end == std::string_view::npos ? std::string_view() : fileText.substr(end + 1);
        if (auto path = ParseAssignment(line, variable, home)) {
            found = std::move(path);
        }
    }
    return found;
}

}  // namespace win
