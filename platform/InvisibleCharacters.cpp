#include "platform/InvisibleCharacters.h"

#include <algorithm>
#include <iterator>

#include "platform/CodePage.h"

namespace win {

namespace {

struct Range {
    char32_t first;
    char32_t last;
};

// General category Cf, Unicode 15.0.
constexpr Range kFormatRanges[] = {
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},
    {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
    {0x200B, 0x200F},   {0x202A, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
};

char32_t DecodeWellFormed(std::string_view text, std::size_t pos, std::size_t length) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (length == 1) return lead;
    char32_t value = lead & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        value = (value << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
    }
    return value;
}

}  // namespace

bool IsFormatCharacter(char32_t c) {
    const auto after = std::upper_bound(std::begin(kFormatRanges), std::end(kFormatRanges), c,
                                        [](char32_t value, const Range& range) {
                                            return value < range.first;
                                        });
    return after != std::begin(kFormatRanges) && c <= std::prev(after)->last;
}

bool IsInvisibleCharacter(char32_t c) {
    return (c >= 0x80 && c <= 0x9F) || IsFormatCharacter(c);
}

bool HasInvisibleCharacter(std::string_view utf8) {
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t length = Utf8SequenceLength(utf8, pos);
        if (length == 0) {
            ++pos;
            continue;
        }
        if (IsInvisibleCharacter(DecodeWellFormed(utf8, pos, length))) return true;
        pos += length;
    }
    return false;
}

}  // namespace win
