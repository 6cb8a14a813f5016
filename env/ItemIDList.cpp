#include "env/ItemIDList.h"

#include <utility>

#include "platform/LastError.h"

namespace KIVTOOLCommon {

namespace {

constexpr std::size_t kCountBytes = 2;
// The smallest item: its count and a kind byte.
constexpr std::size_t kMinItemCount = 3;

std::size_t ReadCount(const win::BYTE* at) {
    return static_cast<std::size_t>(at[0]) | (static_cast<std::size_t>(at[1]) << 8);
}

// Bytes of the list at the start of `bytes` up to and including its
// terminator; 0 when it would reach past `byteCount` or an item is too short.
std::size_t MeasureList(const win::BYTE* bytes, std::size_t byteCount) {
    std::size_t offset = 0;
    for (;;) {
        if (byteCount - offset < kCountBytes) return 0;
        const std::size_t count = ReadCount(bytes + offset);
        if (count == 0) return offset + kCountBytes;
        if (count < kMinItemCount || count > byteCount - offset) return 0;
        offset += count;
    }
}

}  // namespace

CItemIDList::CItemIDList(CItemIDList&& other) noexcept
    : held_(std::exchange(other.held_, false)), bytes_(std::move(other.bytes_)) {
    other.bytes_.clear();
}

CItemIDList& CItemIDList::operator=(CItemIDList&& other) noexcept {
    if (this != &other) {
        held_ = std::exchange(other.held_, false);
        bytes_ = std::move(other.bytes_);
        other.bytes_.clear();
    }
    return *this;
}

CItemIDList CItemIDList::Desktop() {
    CItemIDList desktop;
    desktop.held_ = true;
    desktop.bytes_.assign(kCountBytes, 0);
    return desktop;
}

bool CItemIDList::Assign(const void* bytes, std::size_t byteCount) {
    const auto* list = static_cast<const win::BYTE*>(bytes);
    const std::size_t size = list == nullptr ? 0 : MeasureList(list, byteCount);
    // Measure before dropping the current list: `bytes` may point into it.
    std::vector<win::BYTE> copy(list, list + size);
    bytes_ = std::move(copy);
    held_ = size != 0;
    if (list != nullptr && size == 0) {
        win::SetLastError(win::ERROR_INVALID_DATA);
        return false;
    }
    return true;
}

std::size_t CItemIDList::ItemCount() const {
    std::size_t items = 0;
    for (std::size_t offset = 0; offset + kCountBytes <= bytes_.size();) {
        const std::size_t count = ReadCount(bytes_.data() + offset);
        if (count == 0) break;
        ++items;
        offset += count;
    }
    return items;
}

}  // namespace KIVTOOLCommon
