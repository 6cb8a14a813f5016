// The hashing thread behind a transfer: the file's first bytes read back,
// then every slot in order around the ring, and the transfer's wait for a
// free slot when the thread falls behind.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <utility>

#include "platform/File.h"
#include "platform/NativePath.h"
#include "tests/env/EnvTestHelpers.h"
#include "transfer/DigestPipe.h"
#include "transfer/FileDigest.h"

using kivtransfer::CDigestPipe;
using kivtransfer::CWrittenDigest;
using kivtransfer::FileDigest;

namespace {

std::string Bytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 31 + seed) & 0xFF);
    }
    return bytes;
}

// The digest's text, sealed for its own length only.
std::string TextOf(CWrittenDigest& digest) {
    win::FileStamp stamp;
    stamp.size = digest.Length();
    digest.Seal(stamp);
    std::string text;
    EXPECT_TRUE(digest.DigestFor(stamp, text));
    return text;
}

class DigestPipeTest : public ::testing::Test {
protected:
    // Writes `bytes` to `name`; returns the file's Windows path.
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder_.Native(name), std::ios::binary) << bytes;
        return folder_.Windows(name);
    }
    win::CFile OpenToRead(const std::string& path) {
        win::CFile file;
        EXPECT_TRUE(file.Open(path, win::CFile::modeRead | win::CFile::shareDenyNone));
        return file;
    }
    envtest::TempFolder folder_;
};

TEST_F(DigestPipeTest, HashesTheFilesFirstBytesThenEverySlotInOrderAroundTheRing) {
    const std::string prefix = Bytes(100000, 1);  // not a whole number of read pieces
    win::CFile file = OpenToRead(Write("part.bin", prefix));
    std::string whole = prefix;
    CWrittenDigest digest;
    digest.Update("stale", 5);  // what the pipe's caller restarted, in a real transfer
    digest.Restart();
    {
        CDigestPipe pipe(digest, std::move(file), prefix.size(), [] { return false; });
        for (unsigned slot = 0; slot < 5 * CDigestPipe::kSlots; ++slot) {
            const std::string chunk = Bytes(1 + (slot * 977) % CDigestPipe::kSlotBytes, slot);
            char* buffer = pipe.NextSlot();
            ASSERT_NE(buffer, nullptr);
            chunk.copy(buffer, chunk.size());
            pipe.Commit(chunk.size());
            whole += chunk;
        }
        ASSERT_TRUE(pipe.Finish());
    }
    EXPECT_EQ(digest.Length(), whole.size());
    std::string expected;
    ASSERT_TRUE(FileDigest(Write("whole.bin", whole), expected));
    EXPECT_EQ(TextOf(digest), expected);
}

TEST_F(DigestPipeTest, FirstBytesThatCannotBeReadLeaveNoDigest) {
    CWrittenDigest digest;
    CDigestPipe pipe(digest, OpenToRead(Write("part.bin", Bytes(1000, 1))), 2000,
                     [] { return false; });  // the file has shrunk
    char* buffer = pipe.NextSlot();
    ASSERT_NE(buffer, nullptr);
    pipe.Commit(10);
    EXPECT_FALSE(pipe.Finish());
}

TEST_F(DigestPipeTest, WaitsForAFreeSlotOrTheEndOnlyUntilTheRunIsCancelled) {
    // Endless first bytes keep the hashing thread from ever freeing a slot.
    std::string zeros;
    ASSERT_TRUE(win::FromNativePath("/dev/zero", zeros));
    for (const bool finish : {true, false}) {
        CWrittenDigest digest;
        std::atomic<bool> cancelled = false;
        CDigestPipe pipe(digest, OpenToRead(zeros), std::uint64_t{1} << 50,
                         [&] { return cancelled.load(); });
        for (std::size_t slot = 0; slot < CDigestPipe::kSlots; ++slot) {
            ASSERT_NE(pipe.NextSlot(), nullptr);
            pipe.Commit(1);
        }
        cancelled = true;
        EXPECT_EQ(pipe.NextSlot(), nullptr);
        // Both return although the first bytes never end.
        if (finish) {
            EXPECT_FALSE(pipe.Finish());
        } else {
            pipe.Abandon();
            EXPECT_FALSE(pipe.Finish());
        }
    }
}

}  // namespace
