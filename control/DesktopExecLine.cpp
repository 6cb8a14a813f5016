// The Exec key of a desktop entry turned into a command for one file.
#include <optional>

#include "control/DesktopAssociation.h"

namespace kivcontrol {

namespace {

// One word of the line, and whether it held a field code at all.
struct ExecWord {
    std::string text;
    bool hadFieldCode = false;
};

// Splits at unquoted spaces; inside double quotes a backslash escapes the
// next character. Nullopt for an unterminated quote or a dangling escape.
std::optional<std::vector<std::string>> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t at = 0; at < line.size(); ++at) {
        const char c = line[at];
        if (quoted && c == '\\') {
            if (++at == line.size()) return std::nullopt;
            word += line[at];
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) return std::nullopt;
    if (inWord) words.push_back(std::move(word));
    return words;
}

bool IsFileCode(char code) {
    return code == 'f' || code == 'F' || code == 'u' || code == 'U';
}

ExecWord ExpandWord(const std::string& word, const std::string& file, bool& fileUsed) {
    ExecWord expanded;
    for (std::size_t at = 0; at < word.size(); ++at) {
        if (word[at] != '%' || at + 1 == word.size()) {
            expanded.text += word[at];
            continue;
        }
        const char code = word[++at];
        if (code == '%') {
            expanded.text += '%';
            continue;
        }
        expanded.hadFieldCode = true;
        if (IsFileCode(code)) {
            expanded.text += file;
            fileUsed = true;
        }
        // %i, %c, %k and the deprecated codes stand for nothing we provide.
    }
    return expanded;
}

}  // namespace

bool ExpandExecLine(const std::string& execLine, const std::string& nativeFile,
                    std::vector<std::string>& argv) {
    argv.clear();
    std::optional<std::vector<std::string>> words = SplitWords(execLine);
    if (!words || words->empty()) return false;
    bool fileUsed = false;
    for (const std::string& word : *words) {
        ExecWord expanded = ExpandWord(word, nativeFile, fileUsed);
        // The program itself never comes from a field code: that would run
        // the downloaded file instead of opening it.
        if (argv.empty() && expanded.hadFieldCode) return false;
        // A word that was only an unsupported code leaves no empty argument behind.
        if (expanded.hadFieldCode && expanded.text.empty()) continue;
        argv.push_back(std::move(expanded.text));
    }
    if (!fileUsed) argv.push_back(nativeFile);
    return true;
}

}  // namespace kivcontrol
