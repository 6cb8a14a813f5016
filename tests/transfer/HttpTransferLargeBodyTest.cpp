// A body many times the internet layer's own buffer: the file is written
// byte for byte, and progress still comes once per 16384-byte chunk. With a
// hash, the digest of the whole file (the part already there read back once)
// is carried through the writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/transfer/HttpTransferFixture.h"

using kivtransfer::CONTENTDATA;

namespace {

using HttpTransferLargeBodyTest = HttpTransferFixture;

TEST_F(HttpTransferLargeBodyTest, ResumedBodyIsWrittenWholeWithAPostPerChunk) {
    constexpr std::uint64_t kChunk = 16384;
    constexpr std::uint64_t kOffset = 12345;
    const std::string content = Content((5 << 20) + 100);
    server.ServeContent(content, kLastModified);
    CONTENTDATA& item = AddItem("/big.bin", "big.bin");
    item.size = content.size();
    item.lastModified = kLastModified;
    item.flags = CDF_PREPARED | CDF_RESUME;
    item.hash = Sha256Hex(content);
    WriteLocal("big.bin", content.substr(0, kOffset));

    ASSERT_TRUE(Transfer()) << control.error.errorCode;
    EXPECT_TRUE(LocalHolds("big.bin", content));
    EXPECT_EQ(CarriedDigest(item), item.hash);
    std::vector<std::uint64_t> positions;
    for (const RecordedMessage& message : control.MessagesOf(DLGM_CURRENTPOS)) {
        positions.push_back(message.Value64());
    }
    std::vector<std::uint64_t> expected;
    for (std::uint64_t at = kOffset + kChunk; at < content.size(); at += kChunk) {
        expected.push_back(at);
    }
    expected.push_back(content.size());  // the last, shorter chunk
    expected.push_back(content.size());  // the finished item's bar
    EXPECT_EQ(positions, expected);
}

}  // namespace
