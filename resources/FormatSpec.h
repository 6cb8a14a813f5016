#pragma once
// One printf-style conversion of a format text, as the formatter reads it:
// %[flags][width][.precision][length]conversion.
#include <cstddef>
#include <optional>
#include <string_view>

namespace res {

struct FormatSpec {
    bool leftAlign = false;  // '-'
    bool zeroPad = false;    // '0'
    bool plusSign = false;   // '+'
    bool spaceSign = false;  // ' '
    bool alternate = false;  // '#': 0x/0X before a non-zero hexadecimal value
    int width = 0;
    int precision = -1;  // -1 when none is given
    // Bits of the value the length modifier names (32 without one, 64 for I64/ll);
    // a negative value under an unsigned conversion prints as its pattern in these bits.
    int valueBits = 32;
    char conversion = 0;     // one of d i u x X s %
    std::size_t length = 0;  // bytes from the '%' through the conversion letter
};

// Width and precision above this make the conversion invalid: no table text
// needs them, and a stray huge number must not allocate without bound.
constexpr int kMaxFormatWidth = 9999;

// Reads the conversion whose '%' is at `pos`. Nothing when it is not one the
// formatter supports (unknown letter, '*', %n, truncated text, oversized width):
// the caller then copies the text literally.
std::optional<FormatSpec> ParseFormatSpec(std::string_view format, std::size_t pos);

}  // namespace res
