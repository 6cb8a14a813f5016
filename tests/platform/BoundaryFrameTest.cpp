// The frames a confined worker sends: what reads, and every way a hostile
// frame or datagram is refused whole.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "platform/BoundaryChannel.h"
#include "platform/UniqueFd.h"

namespace {

using win::BoundaryMessage;
using win::BoundaryReceive;
using Bytes = std::vector<std::uint8_t>;

Bytes Frame(const BoundaryMessage& message) {
    return win::EncodeBoundaryFrame(message).value();
}

TEST(BoundaryFrameTest, ReadsBackWhatWasWrittenAndRefusesEveryMalformedFrame) {
    BoundaryMessage message;
    message.kind = 0x1234;
    message.AddNumber(~0ULL).AddBytes(std::string("a\0b", 3)).AddBytes("");
    const Bytes frame = Frame(message);
    const auto decoded = win::DecodeBoundaryFrame(frame);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->kind, 0x1234);
    EXPECT_EQ(decoded->Number(0), ~0ULL);
    ASSERT_NE(decoded->Bytes(1), nullptr);
    EXPECT_EQ(*decoded->Bytes(1), std::string("a\0b", 3));
    EXPECT_EQ(decoded->Bytes(0), nullptr);        // a number is no text
    EXPECT_EQ(decoded->Number(1), std::nullopt);  // nor the other way round
    EXPECT_EQ(decoded->Number(9), std::nullopt);  // past the fields

    Bytes shorter(frame.begin(), frame.end() - 1);  // length word now disagrees
    EXPECT_FALSE(win::DecodeBoundaryFrame(shorter));
    Bytes trailing = frame;
    trailing.push_back(0);
    EXPECT_FALSE(win::DecodeBoundaryFrame(trailing));
    Bytes unknownType = frame;
    unknownType[7] = 3;  // the first field's type byte
    EXPECT_FALSE(win::DecodeBoundaryFrame(unknownType));
    // A text field whose length runs past the end of a frame of the right size.
    BoundaryMessage text;
    text.AddBytes("abc");
    Bytes overrun = Frame(text);
    overrun[8] = 0xFF;
    EXPECT_FALSE(win::DecodeBoundaryFrame(overrun));
    EXPECT_FALSE(win::DecodeBoundaryFrame(Bytes{}));

    BoundaryMessage crowded;
    for (std::size_t i = 0; i <= win::kMaxBoundaryFields; ++i) crowded.AddNumber(i);
    EXPECT_FALSE(win::EncodeBoundaryFrame(crowded));
    Bytes crowdedFrame = Frame(BoundaryMessage{});
    crowdedFrame[6] = static_cast<std::uint8_t>(win::kMaxBoundaryFields + 1);
    EXPECT_FALSE(win::DecodeBoundaryFrame(crowdedFrame));
    BoundaryMessage large;
    large.AddBytes(std::string(win::kMaxBoundaryFrameBytes, 'x'));
    EXPECT_FALSE(win::EncodeBoundaryFrame(large));
}

TEST(BoundaryFrameTest, TheChannelRefusesOversizedDatagramsAndTakesNoDescriptors) {
    win::BoundaryPair pair;
    ASSERT_TRUE(win::MakeBoundaryPair(pair));
    const win::CUniqueFd parent(pair.parent);
    win::CUniqueFd child(pair.child);
    BoundaryMessage received;
    EXPECT_EQ(win::ReceiveBoundaryMessage(parent.Get(), received, 0), BoundaryReceive::TimedOut);

    const std::string oversized(win::kMaxBoundaryFrameBytes + 100, 'x');
    ASSERT_EQ(send(child.Get(), oversized.data(), oversized.size(), 0),
              static_cast<ssize_t>(oversized.size()));
    EXPECT_EQ(win::ReceiveBoundaryMessage(parent.Get(), received, 1000), BoundaryReceive::Refused);

    // A frame with a descriptor riding along is refused, and the descriptor
    // never becomes one of ours.
    const Bytes frame = Frame(BoundaryMessage{});
    iovec part{const_cast<std::uint8_t*>(frame.data()), frame.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    cmsghdr* rights = CMSG_FIRSTHDR(&header);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof(int));
    const int passed = STDERR_FILENO;
    std::memcpy(CMSG_DATA(rights), &passed, sizeof passed);
    ASSERT_GT(sendmsg(child.Get(), &header, 0), 0);
    EXPECT_EQ(win::ReceiveBoundaryMessage(parent.Get(), received, 1000), BoundaryReceive::Refused);

    BoundaryMessage sent;
    sent.kind = 7;
    sent.AddBytes("text");
    ASSERT_TRUE(win::SendBoundaryMessage(child.Get(), sent));
    ASSERT_EQ(win::ReceiveBoundaryMessage(parent.Get(), received, 1000), BoundaryReceive::Message);
    EXPECT_EQ(received.kind, 7);
    child.Reset();
    EXPECT_EQ(win::ReceiveBoundaryMessage(parent.Get(), received, 1000), BoundaryReceive::Closed);
}

}  // namespace
