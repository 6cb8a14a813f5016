// printf-style formatting done by hand: format texts may come from data and
// arguments travel as typed values, so nothing is ever read past what was given.
#include <string>
#include <variant>

#include "platform/CodePage.h"
#include "resources/FormatSpec.h"
#include "resources/StringTable.h"

namespace res {
namespace {

struct IntegerValue {
    bool negative = false;
    unsigned long long magnitude = 0;
};

unsigned long long LowBits(unsigned long long value, int bits) {
    return bits >= 64 ? value : value & ((1ULL << bits) - 1);
}

// The value a conversion prints: missing or text arguments count as 0; a
// negative value under an unsigned conversion becomes its two's-complement bits.
IntegerValue IntegerOf(const FormatSpec& spec, const FormatArg* arg) {
    IntegerValue result;
    if (arg == nullptr) return result;
    if (const auto* value = std::get_if<unsigned long long>(arg)) {
        result.magnitude = *value;
    } else if (const auto* signedValue = std::get_if<long long>(arg)) {
        const auto bits = static_cast<unsigned long long>(*signedValue);
        const bool isSignedConversion = spec.conversion == 'd' || spec.conversion == 'i';
        if (*signedValue >= 0) {
            result.magnitude = bits;
        } else if (isSignedConversion) {
            result.negative = true;
            result.magnitude = 0 - bits;  // well defined also for the most negative value
        } else {
            result.magnitude = LowBits(bits, spec.valueBits);
        }
    }
    return result;
}

std::string Digits(const FormatSpec& spec, unsigned long long value) {
    const bool hex = spec.conversion == 'x' || spec.conversion == 'X';
    const char* alphabet = spec.conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    const unsigned base = hex ? 16 : 10;
    std::string digits;
    for (; value != 0; value /= base) digits.insert(digits.begin(), alphabet[value % base]);
    // printf's rule: precision 0 prints nothing for 0; else at least `precision` digits.
    const std::size_t minimum = spec.precision < 0 ? 1 : static_cast<std::size_t>(spec.precision);
    if (digits.size() < minimum) digits.insert(0, minimum - digits.size(), '0');
    return digits;
}

std::string Prefix(const FormatSpec& spec, const IntegerValue& value) {
    if (spec.conversion == 'd' || spec.conversion == 'i') {
        if (value.negative) return "-";
        if (spec.plusSign) return "+";
        if (spec.spaceSign) return " ";
        return {};
    }
    if (spec.alternate && value.magnitude != 0) {
        if (spec.conversion == 'x') return "0x";
        if (spec.conversion == 'X') return "0X";
    }
    return {};
}

std::string Pad(const FormatSpec& spec, std::string text) {
    const auto width = static_cast<std::size_t>(spec.width);
    if (text.size() >= width) return text;
    if (spec.leftAlign) return text.append(width - text.size(), ' ');
    return text.insert(0, width - text.size(), ' ');
}

std::string FormatInteger(const FormatSpec& spec, const FormatArg* arg) {
    const IntegerValue value = IntegerOf(spec, arg);
    const std::string prefix = Prefix(spec, value);
    std::string digits = Digits(spec, value.magnitude);
    const bool zeroPad = spec.zeroPad && !spec.leftAlign && spec.precision < 0;
    const auto width = static_cast<std::size_t>(spec.width);
    if (zeroPad && prefix.size() + digits.size() < width) {
        digits.insert(0, width - prefix.size() - digits.size(), '0');
    }
    return Pad(spec, prefix + digits);
}

// Longest prefix of `text` of at most `limit` bytes that ends on a character
// boundary of the process code page (UTF-8 or Shift-JIS), so no character is
// cut in two.
std::size_t CharBoundaryAtMost(const std::string& text, std::size_t limit) {
    std::size_t end = 0;
    while (end < text.size() && win::CharNext(text, end) <= limit) end = win::CharNext(text, end);
    return end;
}

std::string FormatStringArg(const FormatSpec& spec, const FormatArg* arg) {
    const auto* text = arg != nullptr ? std::get_if<std::string>(arg) : nullptr;
    if (text == nullptr) return Pad(spec, {});
    if (spec.precision < 0) return Pad(spec, *text);
    return Pad(
        spec, text->substr(0, CharBoundaryAtMost(*text, static_cast<std::size_t>(spec.precision))));
}

}  // namespace

std::string FormatText(const std::string& format, std::initializer_list<FormatArg> args) {
    std::string out;
    auto nextArg = args.begin();
    std::size_t pos = 0;
    // '%' (0x25) is never a trail byte in Shift-JIS, so a byte search is safe.
    for (std::size_t percent; (percent = format.find('%', pos)) != std::string::npos;) {
        out.append(format, pos, percent - pos);
        const auto spec = ParseFormatSpec(format, percent);
        if (!spec) {
            out += '%';
            pos = percent + 1;
            continue;
        }
        pos = percent + spec->length;
        if (spec->conversion == '%') {
            out += '%';
            continue;
        }
        const FormatArg* arg = nextArg != args.end() ? &*nextArg++ : nullptr;
        out += spec->conversion == 's' ? FormatStringArg(*spec, arg) : FormatInteger(*spec, arg);
    }
    out.append(format, pos);
    return out;
}

}  // namespace res
