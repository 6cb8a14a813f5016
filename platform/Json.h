#pragma once
// A small JSON reader and writer for the few records that cross a process
// boundary as JSON: kivtool's answers and the browser's messages. The reader
// takes UTF-8 and keeps objects' members in their order; it bounds nesting
// so that hostile input cannot exhaust the stack.
#include <string>
#include <string_view>
#include <vector>

namespace json {

// An object's member. Its own record rather than a std::pair: a pair of an
// incomplete Value inside Value does not compile with every compiler.
struct Member;

struct Value {
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;  // String: UTF-8
    std::vector<Value> items;
    std::vector<Member> members;

    bool Is(Kind wanted) const { return kind == wanted; }
    // The first member named `name` of an object; null when there is none.
    const Value* Find(std::string_view name) const;
};

struct Member {
    std::string name;
    Value value;
};

inline constexpr int kMaxDepth = 16;

// The whole of `utf8` as one value (blanks around it allowed). False with
// `error` (one line) for anything that is not JSON, invalid UTF-8, a lone
// surrogate, or nesting deeper than kMaxDepth.
bool Parse(std::string_view utf8, Value& value, std::string& error);

// A JSON string literal for a UTF-8 text; bytes that are not valid UTF-8 are
// written as \u00XX so nothing is lost silently.
std::string Quote(std::string_view utf8);

// A JSON string literal for a text in the process code page.
std::string JsonString(std::string_view text);

}  // namespace json
