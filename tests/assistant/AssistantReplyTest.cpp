#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "assistant/AssistantReply.h"

using kivassistant::AssistantReply;
using kivassistant::ParseAssistantReply;

namespace {

using win::COPYDATASTRUCT;
using Effect = AssistantReply::Effect;

// A payload in a heap block of exactly its size, so that a read past the
// byte count is caught by the address sanitizer.
class Payload {
public:
    explicit Payload(const std::string& bytes)
        : size_(bytes.size()), data_(std::make_unique<char[]>(bytes.size())) {
        std::memcpy(data_.get(), bytes.data(), bytes.size());
    }
    COPYDATASTRUCT Record(win::ULONG_PTR kind) const {
        return {kind, static_cast<win::DWORD>(size_), size_ == 0 ? nullptr : data_.get()};
    }

private:
    std::size_t size_;
    std::unique_ptr<char[]> data_;
};

AssistantReply Parse(win::ULONG_PTR kind, const std::string& bytes) {
    const Payload payload(bytes);
    const COPYDATASTRUCT record = payload.Record(kind);
    return ParseAssistantReply(&record);
}

TEST(AssistantReplyTest, ResumeDecisionNeedsFourBytes) {
    AssistantReply reply = Parse(2, std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(reply.effect, Effect::ResumeDecision);
    EXPECT_TRUE(reply.resumeAllowed);
    reply = Parse(2, std::string("\x00\x00\x00\x00\x01", 5));
    EXPECT_EQ(reply.effect, Effect::ResumeDecision);
    EXPECT_FALSE(reply.resumeAllowed) << "only the first word counts";
    EXPECT_TRUE(Parse(2, std::string("\x00\x00\x00\x01", 4)).resumeAllowed);

    EXPECT_EQ(Parse(2, std::string("\x01\x00\x00", 3)).effect, Effect::Refused);
    EXPECT_EQ(Parse(2, "").effect, Effect::Refused);
    EXPECT_EQ(ParseAssistantReply(nullptr).effect, Effect::Refused);
}

TEST(AssistantReplyTest, DestinationTextEndsAtItsZeroOrItsByteCount) {
    AssistantReply reply = Parse(3, std::string("/home/u/Downloads\0junk", 22));
    EXPECT_EQ(reply.effect, Effect::Outcome);
    EXPECT_FALSE(reply.failed);
    EXPECT_EQ(reply.destination, "/home/u/Downloads");

    reply = Parse(3, "/srv/unterminated");
    EXPECT_FALSE(reply.failed);
    EXPECT_EQ(reply.destination, "/srv/unterminated");

    const std::string huge(win::MAX_COPYDATA_BYTES, 'h');
    EXPECT_EQ(Parse(3, huge).destination, huge);

    reply = Parse(3, "");
    EXPECT_EQ(reply.effect, Effect::Outcome);
    EXPECT_TRUE(reply.failed) << "no data: the user gave up";
    EXPECT_FALSE(reply.destination.has_value());
    char stray = 'x';
    const COPYDATASTRUCT countless{3, 0, &stray};
    EXPECT_TRUE(ParseAssistantReply(&countless).failed) << "a pointer without bytes is no data";
}

TEST(AssistantReplyTest, PlaceFileOutcomeFromItsCode) {
    AssistantReply reply = Parse(4, std::string(4, '\0'));
    EXPECT_EQ(reply.effect, Effect::Outcome);
    EXPECT_FALSE(reply.failed);
    EXPECT_FALSE(reply.errorCode.has_value());

    reply = Parse(4, std::string("\x05\x00\x00\x00", 4));
    EXPECT_TRUE(reply.failed);
    EXPECT_EQ(reply.errorCode, 5u);
    EXPECT_EQ(Parse(4, std::string("\x20\x00\x00\x80junk", 8)).errorCode, 0x80000020u);

    // After a success: the name a file in the way was kept under, shown to
    // the user beside the folder, so one plain file name or nothing.
    const std::string placed(4, '\0');
    EXPECT_EQ(Parse(4, placed + "a (1).bin").keptAside, "a (1).bin");
    EXPECT_EQ(Parse(4, placed + std::string("a (1).bin\0junk", 14)).keptAside, "a (1).bin");
    for (const std::string& bad :
         {std::string("../a.bin"), std::string("dir/a"), std::string("a\\b"), std::string(".."),
          std::string("a\x1b[2Jb"), std::string(256, 'a')}) {
        EXPECT_EQ(Parse(4, placed + bad).keptAside, "") << bad;
    }

    for (const std::string& shortPayload : {std::string(), std::string("\x00\x00", 2)}) {
        reply = Parse(4, shortPayload);
        EXPECT_EQ(reply.effect, Effect::Outcome);
        EXPECT_TRUE(reply.failed) << "a missing code is no success";
        EXPECT_EQ(reply.errorCode, win::ERROR_INVALID_DATA);
    }
}

TEST(AssistantReplyTest, OtherKindsSucceedWithoutReadingTheirData) {
    for (const win::ULONG_PTR kind :
         {win::ULONG_PTR{0}, win::ULONG_PTR{7}, (win::ULONG_PTR{1} << 32) | 3}) {
        const AssistantReply reply = Parse(kind, "ignored");
        EXPECT_EQ(reply.effect, Effect::Outcome);
        EXPECT_FALSE(reply.failed);
        EXPECT_FALSE(reply.destination.has_value());
    }
}

}  // namespace
