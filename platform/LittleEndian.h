#pragma once
// Fixed-width integers in little-endian byte order, for records that other
// processes read byte by byte whatever this machine's own order is.
#include <cstddef>
#include <cstdint>

namespace win {

inline void PutLE32(std::uint8_t* at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void PutLE64(std::uint8_t* at, std::uint64_t value) {
    for (std::size_t i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint32_t GetLE32(const std::uint8_t* at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return value;
}

inline std::uint64_t GetLE64(const std::uint8_t* at) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < 8; ++i) value |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    return value;
}

}  // namespace win
