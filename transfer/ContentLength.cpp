#include "transfer/ContentLength.h"

#include <cctype>
#include <limits>

namespace kivtransfer {

namespace {

int DigitValue(char c, unsigned base) {
    const int lower = std::tolower(static_cast<unsigned char>(c));
    if (lower >= '0' && lower <= '9') {
        return lower - '0';
    }
    if (base == 16 && lower >= 'a' && lower <= 'f') {
        return lower - 'a' + 10;
    }
    return -1;
}

// Every character a digit of `base` and the value within `limit`.
bool ReadDigits(std::string_view digits, unsigned base, std::uint64_t limit, std::uint64_t& out) {
    std::uint64_t value = 0;
    for (char c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0 || value > (limit - static_cast<unsigned>(digit)) / base) {
            return false;
        }
        value = value * base + static_cast<unsigned>(digit);
    }
    out = value;
    return true;
}

}  // namespace

bool ParseContentLength(std::string_view text, std::uint64_t& size) {
    if (text.empty()) {
        return false;
    }
    std::uint64_t value = 0;
    const bool hexForm = text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const bool read =
        hexForm ? ReadDigits(text.substr(2), 16, std::numeric_limits<std::uint64_t>::max(), value)
                // The decimal form is a signed 64-bit number; beyond it is no length.
                : ReadDigits(text, 10, std::numeric_limits<std::int64_t>::max(), value);
    if (read) {
        size = value;
    }
    return read;
}

}  // namespace kivtransfer
