#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assistant/AssistantIds.h"
#include "assistant/AssistantRecords.h"
#include "control/ControlIds.h"
#include "platform/CodePage.h"
#include "platform/Guid.h"

using kivassistant::BuildContentItemRecord;
using kivassistant::BuildContentListRecord;
using kivassistant::BuildGreetingRecord;
using kivassistant::BuildPlaceFileRecord;
using kivassistant::BuildWorkFile;
using kivassistant::ContentItemRecord;
using kivassistant::kContentListRequest;
using kivassistant::kGreetingRequest;

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutLE(Bytes& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = value & 0xFF;
    bytes[at + 1] = (value >> 8) & 0xFF;
    bytes[at + 2] = (value >> 16) & 0xFF;
    bytes[at + 3] = value >> 24;
}

void PutText(Bytes& bytes, std::size_t at, const std::string& text) {
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

Bytes Slice(const Bytes& bytes, std::size_t at, std::size_t size) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                 bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
}

class ScopedProcessCodePage {
public:
    explicit ScopedProcessCodePage(unsigned codePage) : saved_(win::GetProcessCodePage()) {
        win::SetProcessCodePage(codePage);
    }
    ~ScopedProcessCodePage() { win::SetProcessCodePage(saved_); }
    ScopedProcessCodePage(const ScopedProcessCodePage&) = delete;
    ScopedProcessCodePage& operator=(const ScopedProcessCodePage&) = delete;

private:
    unsigned saved_;
};

TEST(AssistantRecordsTest, GreetingWorkFile) {
    const Bytes record = BuildGreetingRecord(0x00010010, 0x8765ABCD);
    const Bytes expected = {1,    0,    0,    0,    12,   0,    0,    0,
                            0x10, 0x00, 0x01, 0x00, 0xCD, 0xAB, 0x65, 0x87};
    EXPECT_EQ(BuildWorkFile(kGreetingRequest, record), expected);
}

TEST(AssistantRecordsTest, ContentListOfThreeItemsByteForByte) {
    const std::vector<ContentItemRecord> items = {
        BuildContentItemRecord("a.bin", "http://127.0.0.1/a.bin"),
        BuildContentItemRecord("b.bin", "http://127.0.0.1/b.bin"),
        BuildContentItemRecord("c.bin", "http://127.0.0.1/c.bin"),
    };
    const Bytes file =
        BuildWorkFile(kContentListRequest,
                      BuildContentListRecord("Kiv Downloader", kContentListIdentifier,
                                             "/home/u/.local/state/Velmo/KivVersion.csv", items));

    Bytes expected(3636, 0);
    PutLE(expected, 0, 2);
    PutLE(expected, 4, 1316);
    PutLE(expected, 8, 3);
    const Bytes identifier = {0x92, 0x65, 0x35, 0x1E, 0xAF, 0x47, 0x64, 0x4B,
                              0x8D, 0xC7, 0x41, 0xD0, 0xC8, 0xF1, 0x67, 0xB7};
    std::copy(identifier.begin(), identifier.end(), expected.begin() + 12);
    PutText(expected, 4 + 24, "Kiv Downloader");
    PutText(expected, 4 + 280, "/home/u/.local/state/Velmo/KivVersion.csv");
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string name = std::string(1, static_cast<char>('a' + i)) + ".bin";
        PutText(expected, 4 + 544 + 772 * i, name);
        PutText(expected, 4 + 544 + 772 * i + 260, "http://127.0.0.1/" + name);
    }
    ASSERT_EQ(file.size(), 3636u);
    EXPECT_EQ(file, expected);
    EXPECT_EQ(Slice(file, 3636 - 772, 772), Bytes(772, 0)) << "a zero record closes the list";
}

TEST(AssistantRecordsTest, EmptyListAndUnparsableIdentifier) {
    const Bytes record = BuildContentListRecord("c", "{not a guid}", "v", {});
    ASSERT_EQ(record.size(), 1316u);
    EXPECT_EQ(Slice(record, 4, 4), Bytes(4, 0));
    EXPECT_EQ(Slice(record, 8, 16), Bytes(16, 0)) << "an identifier that does not parse stays zero";
    EXPECT_EQ(Slice(record, 540, 1316 - 540), Bytes(1316 - 540, 0));
}

TEST(AssistantRecordsTest, LongTextsAreCutToTheFieldLessItsTerminator) {
    const std::string caption(300, 'c');
    const Bytes list = BuildContentListRecord(caption, kContentListIdentifier, "", {});
    EXPECT_EQ(Slice(list, 24, 255), Bytes(255, 'c'));
    EXPECT_EQ(list[24 + 255], 0);
    EXPECT_EQ(list[280], 0) << "nothing spills into the next field";

    const ContentItemRecord item =
        BuildContentItemRecord(std::string(300, 'n'), std::string(300, 'u'));
    const Bytes itemBytes(item.begin(), item.end());
    EXPECT_EQ(Slice(itemBytes, 0, 259), Bytes(259, 'n'));
    EXPECT_EQ(itemBytes[259], 0);
    EXPECT_EQ(Slice(itemBytes, 260, 259), Bytes(259, 'u'));
    EXPECT_EQ(Slice(itemBytes, 519, 772 - 519), Bytes(772 - 519, 0));

    const Bytes place = BuildPlaceFileRecord(std::string(300, 's'), std::string(300, 'd'));
    ASSERT_EQ(place.size(), 524u);
    EXPECT_EQ(Slice(place, 0, 4), (Bytes{0x0C, 0x02, 0, 0}));
    EXPECT_EQ(Slice(place, 4, 259), Bytes(259, 's'));
    EXPECT_EQ(place[263], 0);
    EXPECT_EQ(Slice(place, 264, 259), Bytes(259, 'd'));
    EXPECT_EQ(place[523], 0);
}

TEST(AssistantRecordsTest, TextsEndAtAZeroByteAndNeverSplitACharacter) {
    const Bytes place = BuildPlaceFileRecord(std::string("C:\\work\\a.bin\0hidden", 20), "");
    EXPECT_EQ(Slice(place, 4, 14),
              Bytes({'C', ':', '\\', 'w', 'o', 'r', 'k', '\\', 'a', '.', 'b', 'i', 'n', 0}));
    EXPECT_EQ(Slice(place, 18, 260 - 14), Bytes(260 - 14, 0));

    {
        // 254 single bytes, then a two-byte character that would need byte 255.
        ScopedProcessCodePage shiftJis(win::CP_SHIFT_JIS);
        const Bytes list = BuildContentListRecord(std::string(254, 'x') + "\x83\x41",
                                                  kContentListIdentifier, "", {});
        EXPECT_EQ(list[24 + 253], 'x');
        EXPECT_EQ(list[24 + 254], 0) << "the lead byte goes with its trail byte";
    }
    const Bytes utf8 = BuildContentListRecord(std::string(253, 'x') + "\xE3\x81\x82",
                                              kContentListIdentifier, "", {});
    EXPECT_EQ(utf8[24 + 253], 0);
}

TEST(AssistantRecordsTest, SharedNamesAreDistinctGuids) {
    const std::string request(kRequestEventName);
    const std::string cancel(kCancelEventName);
    ASSERT_EQ(request.front(), '{');
    ASSERT_EQ(request.back(), '}');
    win::GUID requestGuid, cancelGuid, listGuid;
    ASSERT_TRUE(win::ParseGuid(request.substr(1, request.size() - 2), requestGuid));
    ASSERT_TRUE(win::ParseGuid(cancel.substr(1, cancel.size() - 2), cancelGuid));
    ASSERT_TRUE(win::ParseGuid(kContentListIdentifier, listGuid));
    EXPECT_NE(requestGuid, cancelGuid);
    EXPECT_NE(requestGuid, listGuid);
    EXPECT_NE(cancelGuid, listGuid);
}

}  // namespace
