#include <cmath>
#include <cstdlib>

#include "platform/CodePage.h"
#include "platform/HexDigit.h"
#include "platform/Json.h"

namespace json {
namespace {

class CReader {
public:
    explicit CReader(std::string_view text) : text_(text) {}

    bool ReadDocument(Value& value, std::string& error) {
        SkipBlanks();
        if (!ReadValue(value, 0)) {
            error = error_;
            return false;
        }
        SkipBlanks();
        if (pos_ != text_.size()) {
            error = Where("text after the value");
            return false;
        }
        return true;
    }

private:
    bool ReadValue(Value& value, int depth) {
        if (depth >= kMaxDepth) return Fail("nested deeper than " + std::to_string(kMaxDepth));
        if (pos_ >= text_.size()) return Fail("a value is missing");
        switch (text_[pos_]) {
            case '{':
                return ReadObject(value, depth);
            case '[':
                return ReadArray(value, depth);
            case '"':
                value.kind = Value::Kind::String;
                return ReadString(value.text);
            case 't':
            case 'f':
                value.kind = Value::Kind::Bool;
                value.boolean = text_[pos_] == 't';
                return Literal(value.boolean ? "true" : "false");
            case 'n':
                value = Value{};
                return Literal("null");
            default:
                return ReadNumber(value);
        }
    }

    bool ReadObject(Value& value, int depth) {
        value.kind = Value::Kind::Object;
        ++pos_;
        SkipBlanks();
        if (Take('}')) return true;
        for (;;) {
            std::string name;
            SkipBlanks();
            if (pos_ >= text_.size() || text_[pos_] != '"') return Fail("a member name is missing");
            if (!ReadString(name)) return false;
            SkipBlanks();
            if (!Take(':')) return Fail("':' is missing");
            SkipBlanks();
            Value member;
            if (!ReadValue(member, depth + 1)) return false;
            value.members.push_back(Member{std::move(name), std::move(member)});
            SkipBlanks();
            if (Take('}')) return true;
            if (!Take(',')) return Fail("',' or '}' is missing");
        }
    }

    bool ReadArray(Value& value, int depth) {
        value.kind = Value::Kind::Array;
        ++pos_;
        SkipBlanks();
        if (Take(']')) return true;
        for (;;) {
            SkipBlanks();
            Value item;
            if (!ReadValue(item, depth + 1)) return false;
            value.items.push_back(std::move(item));
            SkipBlanks();
            if (Take(']')) return true;
            if (!Take(',')) return Fail("',' or ']' is missing");
        }
    }

    bool ReadString(std::string& out) {
        ++pos_;  // the opening quote
        for (;;) {
            if (pos_ >= text_.size()) return Fail("a string is not closed");
            const auto c = static_cast<unsigned char>(text_[pos_]);
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (c < 0x20) return Fail("a control character in a string");
            if (c == '\\') {
                if (!ReadEscape(out)) return false;
                continue;
            }
            const std::size_t length = win::Utf8SequenceLength(text_, pos_);
            if (length == 0) return Fail("invalid UTF-8");
            out.append(text_, pos_, length);
            pos_ += length;
        }
    }

    bool ReadEscape(std::string& out) {
        if (++pos_ >= text_.size()) return Fail("an escape is cut short");
        const char c = text_[pos_++];
        switch (c) {
            case '"':
            case '\\':
            case '/':
                out += c;
                return true;
            case 'b':
                out += '\b';
                return true;
            case 'f':
                out += '\f';
                return true;
            case 'n':
                out += '\n';
                return true;
            case 'r':
                out += '\r';
                return true;
            case 't':
                out += '\t';
                return true;
            case 'u':
                return ReadCodePoint(out);
            default:
                return Fail("an unknown escape");
        }
    }

    bool ReadHex4(unsigned& value) {
        if (pos_ + 4 > text_.size()) return Fail("a \\u escape is cut short");
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[pos_++];
            const int digit = win::HexValue(c);
            if (digit < 0) return Fail("a \\u escape is not hexadecimal");
            value = value * 16 + static_cast<unsigned>(digit);
        }
        return true;
    }

    bool ReadCodePoint(std::string& out) {
        unsigned unit = 0;
        if (!ReadHex4(unit)) return false;
        if (unit >= 0xDC00 && unit <= 0xDFFF) return Fail("a lone surrogate");
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            unsigned low = 0;
            if (text_.substr(pos_, 2) != "\\u") return Fail("a lone surrogate");
            pos_ += 2;
            if (!ReadHex4(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return Fail("a lone surrogate");
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, unit);
        return true;
    }

    static void AppendUtf8(std::string& out, unsigned point) {
        if (point < 0x80) {
            out += static_cast<char>(point);
        } else if (point < 0x800) {
            out += static_cast<char>(0xC0 | (point >> 6));
            out += static_cast<char>(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            out += static_cast<char>(0xE0 | (point >> 12));
            out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (point & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (point >> 18));
            out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (point & 0x3F));
        }
    }

    // JSON's number grammar: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
    bool ReadNumber(Value& value) {
        const std::size_t start = pos_;
        Take('-');
        if (Take('0')) {
        } else if (!Digits()) {
            return Fail("not a value");
        }
        if (Take('.') && !Digits()) return Fail("a number's fraction has no digits");
        if (Take('e') || Take('E')) {
            if (!Take('+')) Take('-');
            if (!Digits()) return Fail("a number's exponent has no digits");
        }
        const std::string number(text_.substr(start, pos_ - start));
        value.kind = Value::Kind::Number;
        value.number = std::strtod(number.c_str(), nullptr);
        if (!std::isfinite(value.number)) return Fail("a number out of range");
        return true;
    }

    bool Digits() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
        return pos_ > start;
    }

    bool Literal(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) return Fail("not a value");
        pos_ += word.size();
        return true;
    }

    bool Take(char c) {
        if (pos_ >= text_.size() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }

    void SkipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r')) {
            ++pos_;
        }
    }

    std::string Where(const std::string& what) const {
        return what + " at byte " + std::to_string(pos_);
    }

    bool Fail(const std::string& what) {
        if (error_.empty()) error_ = Where(what);
        return false;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::string error_;
};

}  // namespace

bool Parse(std::string_view utf8, Value& value, std::string& error) {
    value = Value{};
    return CReader(utf8).ReadDocument(value, error);
}

}  // namespace json
