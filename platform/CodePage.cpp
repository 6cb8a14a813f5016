#include "platform/CodePage.h"

#include <atomic>

namespace win {

namespace {

std::atomic<unsigned> processCodePage{CP_UTF8};

// Second byte of a Shift-JIS double-byte character. A byte outside this range
// after a lead byte is not a trail byte: the lead byte then stands alone, so
// an ASCII character such as '/' or ':' can never hide inside a character.
bool IsShiftJisTrailByte(unsigned char byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

std::size_t ShiftJisCharLength(std::string_view text, std::size_t pos) {
    auto lead = static_cast<unsigned char>(text[pos]);
    if (!IsDBCSLeadByte(lead, CP_SHIFT_JIS) || pos + 1 >= text.size()) {
        return 1;
    }
    return IsShiftJisTrailByte(static_cast<unsigned char>(text[pos + 1])) ? 2 : 1;
}

// Length announced by a UTF-8 lead byte and the allowed range of the byte
// after it (narrower than 0x80-0xBF for the leads where overlong forms,
// surrogates or values above U+10FFFF would start).
struct Utf8Lead {
    std::size_t length;
    unsigned char secondMin;
    unsigned char secondMax;
};

Utf8Lead DescribeUtf8Lead(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};
    if (lead == 0xED) return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};
    return {1, 0, 0};
}

// A malformed or truncated sequence counts as single bytes, so a walk always
// moves forward and never skips a byte that could be ASCII.
std::size_t Utf8CharLength(std::string_view text, std::size_t pos) {
    const std::size_t length = Utf8SequenceLength(text, pos);
    return length == 0 ? 1 : length;
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    const auto first = static_cast<unsigned char>(text[pos]);
    if (first < 0x80) return 1;
    const Utf8Lead lead = DescribeUtf8Lead(first);
    if (lead.length == 1 || pos + lead.length > text.size()) return 0;
    const auto second = static_cast<unsigned char>(text[pos + 1]);
    if (second < lead.secondMin || second > lead.secondMax) return 0;
    for (std::size_t i = 2; i < lead.length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if (next < 0x80 || next > 0xBF) return 0;
    }
    return lead.length;
}

unsigned GetProcessCodePage() {
    return processCodePage.load();
}

bool SetProcessCodePage(unsigned codePage) {
    if (codePage != CP_UTF8 && codePage != CP_SHIFT_JIS) {
        return false;
    }
    processCodePage.store(codePage);
    return true;
}

bool IsDBCSLeadByte(unsigned char byte, unsigned codePage) {
    if (codePage != CP_SHIFT_JIS) {
        return false;
    }
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsDBCSLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte, GetProcessCodePage());
}

std::size_t CharLength(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) {
        return 0;
    }
    return GetProcessCodePage() == CP_SHIFT_JIS ? ShiftJisCharLength(text, pos)
                                                : Utf8CharLength(text, pos);
}

std::size_t CharNext(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) {
        return text.size();
    }
    return pos + CharLength(text, pos);
}

std::size_t LastCharStart(std::string_view text) {
    if (text.empty()) {
        return std::string_view::npos;
    }
    // Walk from the start: in Shift-JIS a byte's role depends on what precedes it.
    std::size_t pos = 0;
    for (std::size_t next = CharNext(text, pos); next < text.size(); next = CharNext(text, pos)) {
        pos = next;
    }
    return pos;
}

}  // namespace win
