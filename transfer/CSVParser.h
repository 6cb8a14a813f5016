#pragma once
// Splits one line of comma-separated text into fields. The rules are the
// program's own, not RFC 4180: leading blanks of a field are trimmed before
// unquoting, every lone quote anywhere in a field is dropped and a pair of
// adjacent quotes stands for one quote. A comma splits fields only where the
// quotes seen so far in the field are balanced.
#include <string>
#include <string_view>
#include <vector>

#include "platform/WinTypes.h"

namespace kivtransfer {

class CCSVParser {
public:
    CCSVParser() = default;
    virtual ~CCSVParser() = default;

    // 1 when `character` is one of the allowed comment characters (it is
    // then kept), else 0 and nothing changes.
    win::BOOL SetCommentChar(char character);
    win::BOOL SetTrim(bool trim);
    // Takes the line to split; always 1. An empty text or a comment line
    // leaves no usable line, and neither does a blank one while trimming.
    win::BOOL SetLine(std::string_view text);
    // Empties `fields`, then fills it from the held line: 1 when split, 0
    // when there is no usable line or it was a comment.
    win::BOOL Parse(std::vector<std::string>& fields);

private:
    void FinishField(std::string& field, std::vector<std::string>& fields) const;

    std::string line_;
    char commentChar_ = 0;  // 0: no comment lines
    bool trim_ = true;
    bool noLine_ = true;
    bool commentLine_ = false;
};

}  // namespace kivtransfer
