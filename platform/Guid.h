#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace win {

// 16 bytes: Data1 (32-bit), Data2, Data3 (16-bit), Data4[8]; little-endian as stored.
struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4{};
    bool operator==(const GUID&) const = default;
};

// The registry form without braces, 8-4-4-4-12 hexadecimal digits (either case).
bool ParseGuid(std::string_view text, GUID& out);

}  // namespace win
