#include "programs/assistant/StandinWorkFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "assistant/AssistantIds.h"
#include "assistant/AssistantRecords.h"
#include "platform/FdIo.h"
#include "platform/LittleEndian.h"
#include "platform/UniqueFd.h"

using kivassistant::AssistantBytes;
using kivassistant::BuildContentListRecord;
using kivassistant::kContentItemRecordSize;
using kivassistant::kContentListFixedSize;
using kivassistant::kContentListRequest;
using kivassistant::kGreetingRecordSize;
using kivassistant::kGreetingRequest;
using kivassistant::kPlaceFileRecordSize;
using kivassistant::kPlaceFileRequest;

namespace {

using namespace kivassistant::assistant_layout;

constexpr std::size_t kKindSize = 4;

// The text of a fixed field: up to its first zero, and never beyond the field.
std::string FieldText(const std::uint8_t* field, std::size_t size) {
    const auto* end = std::find(field, field + size, std::uint8_t{0});
    return std::string(reinterpret_cast<const char*>(field), static_cast<std::size_t>(end - field));
}

// The record after the kind, when the file is of `kind` and holds at least
// `size` record bytes; null otherwise.
const std::uint8_t* RecordOf(WorkFileBytes file, std::uint32_t kind, std::size_t size) {
    if (WorkFileKind(file) != kind || file.size() - kKindSize < size) return nullptr;
    return file.data() + kKindSize;
}

bool IsOurIdentifier(const std::uint8_t* at) {
    static const AssistantBytes reference =
        BuildContentListRecord({}, kContentListIdentifier, {}, {});
    return std::equal(at, at + kIdentifierSize, reference.begin() + kIdentifierAt);
}

}  // namespace

std::optional<std::uint32_t> WorkFileKind(WorkFileBytes file) {
    if (file.size() < kKindSize) return std::nullopt;
    return win::GetLE32(file.data());
}

std::optional<GreetingRequest> ReadGreeting(WorkFileBytes file) {
    const std::uint8_t* record = RecordOf(file, kGreetingRequest, kGreetingRecordSize);
    if (record == nullptr) return std::nullopt;
    return GreetingRequest{win::GetLE32(record + kGreetingDialogAt),
                           win::GetLE32(record + kGreetingReplyAt)};
}

std::optional<ContentListRequest> ReadContentList(WorkFileBytes file) {
    const std::uint8_t* record = RecordOf(file, kContentListRequest, kContentListFixedSize);
    if (record == nullptr || !IsOurIdentifier(record + kIdentifierAt)) return std::nullopt;
    // 64-bit arithmetic: a count near 2^32 must not wrap into a small size.
    const std::uint64_t count = win::GetLE32(record + kCountAt);
    const std::uint64_t needed = kContentListFixedSize + count * kContentItemRecordSize;
    if (file.size() - kKindSize < needed) return std::nullopt;

    ContentListRequest request;
    request.caption = FieldText(record + kCaptionAt, kCaptionSize);
    request.versionFilePath = FieldText(record + kVersionFileAt, kPathSize);
    request.items.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint8_t* item = record + kItemsAt + i * kContentItemRecordSize;
        request.items.push_back(
            {FieldText(item + kItemNameAt, kPathSize), FieldText(item + kItemUrlAt, kPathSize)});
    }
    return request;
}

std::optional<PlaceFileRequest> ReadPlaceFile(WorkFileBytes file) {
    const std::uint8_t* record = RecordOf(file, kPlaceFileRequest, kPlaceFileRecordSize);
    if (record == nullptr) return std::nullopt;
    PlaceFileRequest request{FieldText(record + kSourceAt, kPathSize),
                             FieldText(record + kDestinationAt, kPathSize)};
    if (request.source.empty() || request.destination.empty()) return std::nullopt;
    return request;
}

std::optional<std::vector<std::uint8_t>> LoadWorkFile(const std::string& nativePath,
                                                      std::size_t limit) {
    // Only a plain file: a link or a FIFO in its place is not read through.
    const win::CUniqueFd in(
        ::open(nativePath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (in.Get() < 0 || ::fstat(in.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        const long long got = win::ReadRetrying(in.Get(), chunk.data(), chunk.size());
        if (got < 0) return std::nullopt;
        if (got == 0) return bytes;
        if (bytes.size() + static_cast<std::size_t>(got) > limit) return std::nullopt;
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
    }
}
