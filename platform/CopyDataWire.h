#pragma once
// Internal to the platform layer: the datagrams of WM_COPYDATA between
// processes, little-endian.
//   request: "KCDQ" magic (32), sender window (32), sequence (64),
//            dwData (64), cbData (32), reserved zero (32), then cbData bytes
//   reply:   "KCDR" magic (32), status (32), sequence (64), result (64)
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/CopyData.h"

namespace win::detail {

constexpr std::size_t COPYDATA_REQUEST_HEADER = 32;
constexpr std::size_t COPYDATA_REPLY_SIZE = 24;

struct CopyDataRequest {
    std::uint32_t sourceWindow = 0;
    std::uint64_t sequence = 0;
    std::uint64_t dwData = 0;
    std::span<const BYTE> payload;  // within the datagram it was decoded from
};

enum class CopyDataStatus : std::uint32_t {
    Delivered = 0,   // the procedure returned `result`
    WindowGone = 1,  // the window went before handling it
    Refused = 2,     // the request was malformed
};

struct CopyDataReply {
    std::uint64_t sequence = 0;
    CopyDataStatus status = CopyDataStatus::Delivered;
    std::int64_t result = 0;
};

std::vector<BYTE> EncodeCopyDataRequest(const CopyDataRequest& request);
// Null unless the datagram is exactly one well-formed request.
std::optional<CopyDataRequest> DecodeCopyDataRequest(std::span<const BYTE> datagram);
// The sequence of a datagram that starts like a request, to refuse it by.
std::optional<std::uint64_t> PeekCopyDataSequence(std::span<const BYTE> datagram);

std::array<BYTE, COPYDATA_REPLY_SIZE> EncodeCopyDataReply(const CopyDataReply& reply);
std::optional<CopyDataReply> DecodeCopyDataReply(std::span<const BYTE> datagram);

// "<folder>/window-XXXXXXXX".
std::string CopyDataSocketPath(const std::string& folder, std::uint32_t window);

}  // namespace win::detail
