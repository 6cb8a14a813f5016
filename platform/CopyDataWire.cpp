#include "platform/CopyDataWire.h"

#include <cstdio>

#include "platform/LittleEndian.h"

namespace win::detail {

namespace {

constexpr std::uint32_t kRequestMagic = 0x5144434B;  // "KCDQ"
constexpr std::uint32_t kReplyMagic = 0x5244434B;    // "KCDR"

}  // namespace

std::vector<BYTE> EncodeCopyDataRequest(const CopyDataRequest& request) {
    std::vector<BYTE> datagram(COPYDATA_REQUEST_HEADER + request.payload.size());
    PutLE32(&datagram[0], kRequestMagic);
    PutLE32(&datagram[4], request.sourceWindow);
    PutLE64(&datagram[8], request.sequence);
    PutLE64(&datagram[16], request.dwData);
    PutLE32(&datagram[24], static_cast<std::uint32_t>(request.payload.size()));
    std::copy(request.payload.begin(), request.payload.end(),
              datagram.begin() + COPYDATA_REQUEST_HEADER);
    return datagram;
}

std::optional<std::uint64_t> PeekCopyDataSequence(std::span<const BYTE> datagram) {
    if (datagram.size() < COPYDATA_REQUEST_HEADER || GetLE32(&datagram[0]) != kRequestMagic) {
        return std::nullopt;
    }
    return GetLE64(&datagram[8]);
}

std::optional<CopyDataRequest> DecodeCopyDataRequest(std::span<const BYTE> datagram) {
    if (!PeekCopyDataSequence(datagram)) return std::nullopt;
    const std::uint32_t byteCount = GetLE32(&datagram[24]);
    if (byteCount > MAX_COPYDATA_BYTES || GetLE32(&datagram[28]) != 0 ||
        datagram.size() != COPYDATA_REQUEST_HEADER + byteCount) {
        return std::nullopt;
    }
    CopyDataRequest request;
    request.sourceWindow = GetLE32(&datagram[4]);
    request.sequence = GetLE64(&datagram[8]);
    request.dwData = GetLE64(&datagram[16]);
    request.payload = datagram.subspan(COPYDATA_REQUEST_HEADER);
    return request;
}

std::array<BYTE, COPYDATA_REPLY_SIZE> EncodeCopyDataReply(const CopyDataReply& reply) {
    std::array<BYTE, COPYDATA_REPLY_SIZE> datagram{};
    PutLE32(&datagram[0], kReplyMagic);
    PutLE32(&datagram[4], static_cast<std::uint32_t>(reply.status));
    PutLE64(&datagram[8], reply.sequence);
    PutLE64(&datagram[16], static_cast<std::uint64_t>(reply.result));
    return datagram;
}

std::optional<CopyDataReply> DecodeCopyDataReply(std::span<const BYTE> datagram) {
    if (datagram.size() != COPYDATA_REPLY_SIZE || GetLE32(&datagram[0]) != kReplyMagic) {
        return std::nullopt;
    }
    const std::uint32_t status = GetLE32(&datagram[4]);
    if (status > static_cast<std::uint32_t>(CopyDataStatus::Refused)) return std::nullopt;
    CopyDataReply reply;
    reply.status = static_cast<CopyDataStatus>(status);
    reply.sequence = GetLE64(&datagram[8]);
    reply.result = static_cast<std::int64_t>(GetLE64(&datagram[16]));
    return reply;
}

std::string CopyDataSocketPath(const std::string& folder, std::uint32_t window) {
    char name[32];
    std::snprintf(name, sizeof name, "/window-%08X", window);
    return folder + name;
}

}  // namespace win::detail
