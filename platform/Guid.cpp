#include "platform/Guid.h"

#include <cstddef>

#include "platform/HexDigit.h"
#include "platform/LastError.h"

namespace win {

namespace {

constexpr std::size_t kGuidTextLength = 36;

bool IsHyphenPosition(std::size_t pos) {
    return pos == 8 || pos == 13 || pos == 18 || pos == 23;
}

// Reads `digits` hex digits at `pos`; the layout has been checked already.
std::uint32_t ReadHex(std::string_view text, std::size_t pos, std::size_t digits) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        value = (value << 4) | static_cast<std::uint32_t>(HexValue(text[pos + i]));
    }
    return value;
}

bool HasGuidLayout(std::string_view text) {
    if (text.size() != kGuidTextLength) {
        return false;
    }
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        bool ok = IsHyphenPosition(pos) ? text[pos] == '-' : HexValue(text[pos]) >= 0;
        if (!ok) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseGuid(std::string_view text, GUID& out) {
    if (!HasGuidLayout(text)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    GUID guid;
    guid.Data1 = ReadHex(text, 0, 8);
    guid.Data2 = static_cast<std::uint16_t>(ReadHex(text, 9, 4));
    guid.Data3 = static_cast<std::uint16_t>(ReadHex(text, 14, 4));
    // Data4: two bytes before the last hyphen, six after it.
    constexpr std::size_t kData4Offsets[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (std::size_t i = 0; i < 8; ++i) {
        guid.Data4[i] = static_cast<std::uint8_t>(ReadHex(text, kData4Offsets[i], 2));
    }
    out = guid;
    return true;
}

}  // namespace win
