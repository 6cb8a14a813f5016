#include "assistant/AssistantRecords.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Guid.h"
#include "platform/LittleEndian.h"

namespace kivassistant {

namespace {

using namespace assistant_layout;

std::span<std::uint8_t> Field(std::span<std::uint8_t> record, std::size_t at, std::size_t size) {
    return record.subspan(at, size);
}

void PutGuid(std::uint8_t* at, std::string_view text) {
    win::GUID guid;
    if (!win::ParseGuid(text, guid)) return;  // the field stays zero, as the assistant expects
    win::PutLE32(at, guid.Data1);
    at[4] = static_cast<std::uint8_t>(guid.Data2);
    at[5] = static_cast<std::uint8_t>(guid.Data2 >> 8);
    at[6] = static_cast<std::uint8_t>(guid.Data3);
    at[7] = static_cast<std::uint8_t>(guid.Data3 >> 8);
    std::copy(guid.Data4.begin(), guid.Data4.end(), at + 8);
}

}  // namespace

void CopyFixedText(std::span<std::uint8_t> field, std::string_view text) {
    std::fill(field.begin(), field.end(), std::uint8_t{0});
    if (field.empty()) return;
    text = text.substr(0, text.find('\0'));
    std::size_t kept = 0;
    while (kept < text.size()) {
        const std::size_t next = kept + win::CharLength(text, kept);
        if (next > field.size() - 1) break;
        kept = next;
    }
    std::copy_n(text.begin(), kept, field.begin());
}

AssistantBytes BuildGreetingRecord(std::uint32_t dialogWindow, std::uint32_t replyWindow) {
    AssistantBytes record(kGreetingRecordSize);
    win::PutLE32(&record[0], kGreetingRecordSize);
    win::PutLE32(&record[kGreetingDialogAt], dialogWindow);
    win::PutLE32(&record[kGreetingReplyAt], replyWindow);
    return record;
}

ContentItemRecord BuildContentItemRecord(std::string_view fileName, std::string_view url) {
    ContentItemRecord record{};
    CopyFixedText(Field(record, kItemNameAt, kPathSize), fileName);
    CopyFixedText(Field(record, kItemUrlAt, kPathSize), url);
    return record;
}

AssistantBytes BuildContentListRecord(std::string_view caption, std::string_view identifierText,
                                      std::string_view versionFilePath,
                                      std::span<const ContentItemRecord> items) {
    // 1316 = 544 + 772: the fixed part includes the zero record that closes the list.
    AssistantBytes record(kContentListFixedSize + kContentItemRecordSize * items.size());
    win::PutLE32(&record[0], kContentListFixedSize);
    win::PutLE32(&record[kCountAt], static_cast<std::uint32_t>(items.size()));
    PutGuid(&record[kIdentifierAt], identifierText);
    CopyFixedText(Field(record, kCaptionAt, kCaptionSize), caption);
    CopyFixedText(Field(record, kVersionFileAt, kPathSize), versionFilePath);
    auto next = record.begin() + kItemsAt;
    for (const ContentItemRecord& item : items) next = std::copy(item.begin(), item.end(), next);
    return record;
}

AssistantBytes BuildPlaceFileRecord(std::string_view source, std::string_view destination) {
    AssistantBytes record(kPlaceFileRecordSize);
    win::PutLE32(&record[0], kPlaceFileRecordSize);
    CopyFixedText(Field(record, kSourceAt, kPathSize), source);
    CopyFixedText(Field(record, kDestinationAt, kPathSize), destination);
    return record;
}

AssistantBytes BuildWorkFile(std::uint32_t kind, std::span<const std::uint8_t> record) {
    AssistantBytes bytes(4 + record.size());
    win::PutLE32(&bytes[0], kind);
    std::copy(record.begin(), record.end(), bytes.begin() + 4);
    return bytes;
}

}  // namespace kivassistant
