#pragma once
// GUIDs in registry form ("{8-4-4-4-12}", upper-case hexadecimal, braces),
// as the class registration writes them and pages name them. Header-only:
// the module and its host both use it.
#include <stdexcept>
#include <string_view>

#include "platform/Guid.h"
#include "platform/HexDigit.h"

namespace com {

namespace detail {

constexpr int HexDigit(char c) {
    const int value = win::HexValue(c);
    if (value < 0) throw std::invalid_argument("not a hexadecimal digit");
    return value;
}

constexpr std::uint32_t HexField(std::string_view text, std::size_t pos, std::size_t digits) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < digits; ++i) value = (value << 4) | HexDigit(text.at(pos + i));
    return value;
}

}  // namespace detail

// For the fixed ids written in the source: a malformed text stops the
// compilation when used in a constant expression. Runtime texts go through
// ParseRegistryGuid instead.
constexpr win::GUID GuidFromRegistryText(std::string_view text) {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}' || text[9] != '-' ||
        text[14] != '-' || text[19] != '-' || text[24] != '-') {
        throw std::invalid_argument("not a GUID in registry form");
    }
    win::GUID guid;
    guid.Data1 = detail::HexField(text, 1, 8);
    guid.Data2 = static_cast<std::uint16_t>(detail::HexField(text, 10, 4));
    guid.Data3 = static_cast<std::uint16_t>(detail::HexField(text, 15, 4));
    const std::size_t bytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (std::size_t i = 0; i < 8; ++i) {
        guid.Data4[i] = static_cast<std::uint8_t>(detail::HexField(text, bytePositions[i], 2));
    }
    return guid;
}

// Accepts the text with or without braces, digits in either case; false for
// anything else (also a lone or unbalanced brace).
inline bool ParseRegistryGuid(std::string_view text, win::GUID& guid) {
    const bool opening = !text.empty() && text.front() == '{';
    const bool closing = !text.empty() && text.back() == '}';
    if (opening != closing) return false;
    if (opening) text = text.substr(1, text.size() - 2);
    return win::ParseGuid(text, guid);
}

}  // namespace com
