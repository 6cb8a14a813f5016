#include <string_view>

#include "platform/CodePage.h"
#include "platform/Process.h"

namespace win {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Copies the whole character at `pos` (a Shift-JIS trail byte may be 0x5C,
// the backslash, and must not be read as one) and returns the next position.
std::size_t CopyCharacter(std::string_view line, std::size_t pos, std::string& word) {
    const std::size_t length = CharLength(line, pos);
    word.append(line.substr(pos, length));
    return pos + length;
}

// The program word: quotes group and vanish; backslashes are plain
// characters, so a quoted folder path may end in one.
std::size_t ReadProgram(std::string_view line, std::string& word) {
    std::size_t pos = 0;
    bool quoted = false;
    while (pos < line.size() && (quoted || !IsBlank(line[pos]))) {
        if (line[pos] == '"') {
            quoted = !quoted;
            ++pos;
        } else {
            pos = CopyCharacter(line, pos, word);
        }
    }
    return pos;
}

// A run of backslashes: before a quote, each pair gives one backslash and an
// odd one makes the quote literal; elsewhere they are literal.
std::size_t ReadBackslashes(std::string_view line, std::size_t pos, std::string& word) {
    const std::size_t start = pos;
    while (pos < line.size() && line[pos] == '\\') ++pos;
    const std::size_t count = pos - start;
    if (pos >= line.size() || line[pos] != '"') {
        word.append(count, '\\');
        return pos;
    }
    word.append(count / 2, '\\');
    if (count % 2 == 0) return pos;  // the quote opens or closes a group
    word += '"';
    return pos + 1;
}

std::size_t ReadArgument(std::string_view line, std::size_t pos, std::string& word) {
    bool quoted = false;
    while (pos < line.size() && (quoted || !IsBlank(line[pos]))) {
        if (line[pos] == '\\') {
            pos = ReadBackslashes(line, pos, word);
        } else if (line[pos] != '"') {
            pos = CopyCharacter(line, pos, word);
        } else if (quoted && pos + 1 < line.size() && line[pos + 1] == '"') {
            word += '"';  // "" inside a group is a literal quote
            pos += 2;
        } else {
            quoted = !quoted;
            ++pos;
        }
    }
    return pos;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    const std::string_view line = commandLine;
    std::vector<std::string> words;
    if (line.empty()) return words;
    std::size_t pos = ReadProgram(line, words.emplace_back());
    for (;;) {
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos >= line.size()) return words;
        pos = ReadArgument(line, pos, words.emplace_back());
    }
}

}  // namespace win
