// The bounded buffer between libcurl's write callback and the body reads.
#include <gtest/gtest.h>

#include <string>

#include "platform/InternetBodyBuffer.h"
#include "tests/platform/InternetTestSupport.h"

namespace {

using win::inet::BodyBuffer;

std::string TakeString(BodyBuffer& buffer, std::size_t count) {
    std::string out(count, '\0');
    out.resize(buffer.Take(out.data(), count));
    return out;
}

TEST(InternetBodyBufferTest, BytesLeaveInOrderAcrossReuseOfTheFront) {
    const std::string content = inettest::Pattern(100);
    BodyBuffer buffer(40);
    buffer.Append(content.data(), 30);
    EXPECT_EQ(TakeString(buffer, 25), content.substr(0, 25));
    // 5 held at the back; 30 more fit the storage only once the held bytes
    // move to its front.
    buffer.Append(content.data() + 30, 30);
    EXPECT_EQ(buffer.Size(), 35u);
    EXPECT_EQ(TakeString(buffer, 100), content.substr(25, 35));
    EXPECT_TRUE(buffer.Empty());
    EXPECT_EQ(TakeString(buffer, 10), "");

    // Emptied, the next piece starts at the front again.
    buffer.Append(content.data() + 60, 40);
    EXPECT_EQ(TakeString(buffer, 7), content.substr(60, 7));
    EXPECT_EQ(TakeString(buffer, 33), content.substr(67, 33));
}

TEST(InternetBodyBufferTest, PiecesFitUpToTheBoundAndAloneBeyondIt) {
    const std::string piece = inettest::Pattern(300);
    BodyBuffer buffer(100);
    EXPECT_TRUE(buffer.Fits(100));
    buffer.Append(piece.data(), 60);
    EXPECT_TRUE(buffer.Fits(40));
    EXPECT_FALSE(buffer.Fits(41));

    // An empty buffer takes a piece larger than its bound, whole.
    BodyBuffer small(100);
    ASSERT_TRUE(small.Fits(300));
    small.Append(piece.data(), 300);
    EXPECT_FALSE(small.Fits(1));
    EXPECT_EQ(TakeString(small, 300), piece);
    EXPECT_TRUE(small.Fits(300));
}

}  // namespace
