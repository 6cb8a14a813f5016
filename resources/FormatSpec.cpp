#include "resources/FormatSpec.h"

#include <array>
#include <string_view>

namespace res {
namespace {

bool ReadFlag(char c, FormatSpec& spec) {
    switch (c) {
        case '-':
            spec.leftAlign = true;
            return true;
        case '0':
            spec.zeroPad = true;
            return true;
        case '+':
            spec.plusSign = true;
            return true;
        case ' ':
            spec.spaceSign = true;
            return true;
        case '#':
            spec.alternate = true;
            return true;
        default:
            return false;
    }
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads decimal digits at `pos`; false when they exceed kMaxFormatWidth.
bool ReadNumber(std::string_view format, std::size_t& pos, int& value) {
    value = 0;
    while (pos < format.size() && IsDigit(format[pos])) {
        value = value * 10 + (format[pos] - '0');
        if (value > kMaxFormatWidth) return false;
        ++pos;
    }
    return true;
}

struct LengthModifier {
    std::string_view text;
    int bits;
};

// Longest first, so "ll" wins over "l" and "I64" over "I". "l" and "I" are
// 32-bit as on the 32-bit Windows the texts were written for.
constexpr std::array<LengthModifier, 10> kLengthModifiers{{
    {"I64", 64},
    {"I32", 32},
    {"hh", 8},
    {"ll", 64},
    {"I", 32},
    {"h", 16},
    {"l", 32},
    {"j", 64},
    {"z", 64},
    {"t", 64},
}};

void ReadLengthModifier(std::string_view format, std::size_t& pos, FormatSpec& spec) {
    for (const auto& modifier : kLengthModifiers) {
        if (format.substr(pos).starts_with(modifier.text)) {
            spec.valueBits = modifier.bits;
            pos += modifier.text.size();
            return;
        }
    }
}

bool IsSupportedConversion(char c) {
    return std::string_view("diuxXs%").find(c) != std::string_view::npos;
}

}  // namespace

std::optional<FormatSpec> ParseFormatSpec(std::string_view format, std::size_t pos) {
    if (pos >= format.size() || format[pos] != '%') return std::nullopt;
    FormatSpec spec;
    std::size_t cursor = pos + 1;
    while (cursor < format.size() && ReadFlag(format[cursor], spec)) ++cursor;
    if (!ReadNumber(format, cursor, spec.width)) return std::nullopt;
    if (cursor < format.size() && format[cursor] == '.') {
        ++cursor;
        if (!ReadNumber(format, cursor, spec.precision)) return std::nullopt;
    }
    ReadLengthModifier(format, cursor, spec);
    if (cursor >= format.size() || !IsSupportedConversion(format[cursor])) return std::nullopt;
    spec.conversion = format[cursor];
    spec.length = cursor + 1 - pos;
    return spec;
}

}  // namespace res
