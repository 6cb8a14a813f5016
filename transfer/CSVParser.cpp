#include "transfer/CSVParser.h"

#include <algorithm>

namespace kivtransfer {

// Separator, quote and blanks are all below 0x40, so no Shift-JIS trail byte
// can be taken for one of them: a byte scan is safe in either code page.
namespace {

constexpr char kSeparator = ',';
constexpr char kQuote = '"';
constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kCommentChars = "!#$%&'()*+-./:;<=>?@[\\]^_`{|}~";

void TrimLeadingBlanks(std::string& text) {
    text.erase(0, std::min(text.find_first_not_of(kBlanks), text.size()));
}

// Drops every lone quote and turns each pair of adjacent quotes into one.
// `pending` is the last quote not yet paired; a quote right after it makes a
// pair whose second half goes, any other quote makes the pending one go.
std::string Unquote(const std::string& field) {
    std::vector<bool> removed(field.size(), false);
    std::size_t pending = std::string::npos;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != kQuote) {
            continue;
        }
        if (pending != std::string::npos && pending + 1 == i) {
            removed[i] = true;
            pending = std::string::npos;
            continue;
        }
        if (pending != std::string::npos) {
            removed[pending] = true;
        }
        pending = i;
    }
    if (pending != std::string::npos) {
        removed[pending] = true;
    }
    std::string result;
    result.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (!removed[i]) {
            result += field[i];
        }
    }
    return result;
}

}  // namespace

win::BOOL CCSVParser::SetCommentChar(char character) {
    if (character == '\0' || kCommentChars.find(character) == std::string_view::npos) {
        return win::FALSE;
    }
    commentChar_ = character;
    return win::TRUE;
}

win::BOOL CCSVParser::SetTrim(bool trim) {
    trim_ = trim;
    return win::TRUE;
}

win::BOOL CCSVParser::SetLine(std::string_view text) {
    if (text.empty()) {
        noLine_ = true;
        commentLine_ = false;
        return win::TRUE;
    }
    if (commentChar_ != '\0' && text.front() == commentChar_) {
        noLine_ = false;
        commentLine_ = true;
        return win::TRUE;
    }
    line_.assign(text);
    if (trim_) {
        TrimLeadingBlanks(line_);
    }
    noLine_ = line_.empty();
    commentLine_ = false;
    return win::TRUE;
}

win::BOOL CCSVParser::Parse(std::vector<std::string>& fields) {
    fields.clear();
    if (noLine_ || commentLine_) {
        return win::FALSE;
    }
    const std::size_t length = line_.size();
    std::string field;
    // Kept as a running count: recounting the whole field at every comma
    // would make a long line with an open quote quadratic.
    std::size_t quotes = 0;
    std::size_t position = 0;
    std::size_t comma = 0;
    do {
        comma = std::min(line_.find(kSeparator, position), length);
        const std::string_view piece = std::string_view(line_).substr(position, comma - position);
        if (!field.empty()) {
            field += kSeparator;
        }
        field.append(piece);
        quotes += static_cast<std::size_t>(std::count(piece.begin(), piece.end(), kQuote));
        if (quotes % 2 == 0 || comma == length) {
            FinishField(field, fields);
            quotes = 0;
        }
        position = comma + 1;
    } while (comma < length);
    return win::TRUE;
}

void CCSVParser::FinishField(std::string& field, std::vector<std::string>& fields) const {
    if (trim_) {
        TrimLeadingBlanks(field);
    }
    fields.push_back(Unquote(field));
    field.clear();
}

}  // namespace kivtransfer
