#pragma once
// The messages between a confined worker process and the unconfined side
// that started it. One frame per datagram:
//
//   frame  := u32 body length | body          (little-endian throughout)
//   body   := u16 kind | u8 field count | field*
//   field  := u8 1 | u64 number
//           | u8 2 | u32 length | bytes
//
// Frames are at most kMaxBoundaryFrameBytes, with at most kMaxBoundaryFields
// fields. The unconfined side reads every frame as hostile input: a frame
// whose length word disagrees with its size, a field running past the end,
// an unknown field type or bytes left over make the whole frame refused.
// What a kind's fields mean, and their own limits, the reader of that kind
// checks (Number, Bytes).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace win {

constexpr std::size_t kMaxBoundaryFrameBytes = 64 * 1024;
constexpr std::size_t kMaxBoundaryFields = 16;

struct BoundaryField {
    bool isNumber = true;
    std::uint64_t number = 0;
    std::string bytes;
};

struct BoundaryMessage {
    std::uint16_t kind = 0;
    std::vector<BoundaryField> fields;

    BoundaryMessage& AddNumber(std::uint64_t number);
    BoundaryMessage& AddBytes(std::string_view bytes);
    // The field at `index` when it is of that type; else nothing.
    std::optional<std::uint64_t> Number(std::size_t index) const;
    const std::string* Bytes(std::size_t index) const;
};

// Nothing when the message breaks the limits.
std::optional<std::vector<std::uint8_t>> EncodeBoundaryFrame(const BoundaryMessage& message);
std::optional<BoundaryMessage> DecodeBoundaryFrame(std::span<const std::uint8_t> frame);

}  // namespace win
