#pragma once
// The requests the control writes to the assistant program's work file,
// byte for byte as the assistant reads them. Integers are unsigned 32-bit
// little-endian; texts are fixed zero-filled fields in the process code
// page holding at most the field size minus one byte and a terminating
// zero. Each record starts with its own size field.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kivassistant {

// The work file, in the work folder: one request, replaced by the next.
inline constexpr const char* kAssistantWorkFileName = "dlcwork.tmp";

// Request kinds: the work file's first 4 bytes, before the record.
inline constexpr std::uint32_t kGreetingRequest = 1;
inline constexpr std::uint32_t kContentListRequest = 2;
inline constexpr std::uint32_t kPlaceFileRequest = 3;

inline constexpr std::size_t kGreetingRecordSize = 12;
// The content list's fixed part: its size field says this, although item
// records and one empty closing record follow.
inline constexpr std::size_t kContentListFixedSize = 1316;
inline constexpr std::size_t kContentItemRecordSize = 772;
inline constexpr std::size_t kPlaceFileRecordSize = 524;

// Where each field lies: byte offsets from the start of its record (the size
// field), and the fields' sizes. The writer below and the assistant's reader
// both use these.
namespace assistant_layout {
inline constexpr std::size_t kPathSize = 260;
inline constexpr std::size_t kCaptionSize = 256;
inline constexpr std::size_t kIdentifierSize = 16;
inline constexpr std::size_t kGreetingDialogAt = 4;
inline constexpr std::size_t kGreetingReplyAt = 8;
inline constexpr std::size_t kCountAt = 4;
inline constexpr std::size_t kIdentifierAt = 8;
inline constexpr std::size_t kCaptionAt = 24;
inline constexpr std::size_t kVersionFileAt = 280;
inline constexpr std::size_t kItemsAt = 544;
inline constexpr std::size_t kItemNameAt = 0;
inline constexpr std::size_t kItemUrlAt = 260;
inline constexpr std::size_t kSourceAt = 4;
inline constexpr std::size_t kDestinationAt = 264;
}  // namespace assistant_layout

using AssistantBytes = std::vector<std::uint8_t>;
using ContentItemRecord = std::array<std::uint8_t, kContentItemRecordSize>;

// Size 12, then the download dialog's and the reply window's 32-bit numbers.
AssistantBytes BuildGreetingRecord(std::uint32_t dialogWindow, std::uint32_t replyWindow);

// File name (260 bytes at 0) and URL (260 bytes at 260); the rest zero.
ContentItemRecord BuildContentItemRecord(std::string_view fileName, std::string_view url);

// 1316 + 772 x n bytes: size 1316, n, the identifier's 16 bytes (zeros when
// the text does not parse), caption (256 at 24), version-file path (260 at
// 280), zero (4 at 540), the items from 544 in order, one zero record last.
AssistantBytes BuildContentListRecord(std::string_view caption, std::string_view identifierText,
                                      std::string_view versionFilePath,
                                      std::span<const ContentItemRecord> items);

// Size 524, source path (260 at 4), destination path (260 at 264).
AssistantBytes BuildPlaceFileRecord(std::string_view source, std::string_view destination);

// The work file's whole content: the request kind, then the record.
AssistantBytes BuildWorkFile(std::uint32_t kind, std::span<const std::uint8_t> record);

// Fills `field`: the text up to its first zero byte, cut to the field size
// minus one without splitting a character of the process code page, then
// zeros to the end. Nothing for an empty field.
void CopyFixedText(std::span<std::uint8_t> field, std::string_view text);

}  // namespace kivassistant
