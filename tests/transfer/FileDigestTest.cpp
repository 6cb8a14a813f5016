// File digests: known vectors, the piece-by-piece walk with its callback, and
// the ways a digest must fail rather than name a wrong file content.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/LastError.h"
#include "tests/env/EnvTestHelpers.h"
#include "transfer/FileDigest.h"

using kivtransfer::FileDigest;

namespace {

constexpr const char* kEmptyMessage =
    "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855";
constexpr const char* kAbc = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
// The digest reads files in pieces of this size.
constexpr std::uint64_t kPiece = 64 * 1024;
// Computed once with sha256sum over Pattern(4096 * 3 + 1), Pattern(4096 * 2)
// and Pattern(kPiece * 2 + 1).
constexpr const char* kThreeSmallPiecesAndOneByte =
    "D1F0CF66A178905D68355BE68973D481265C882DC9C2B28292F233B4C0BB7C7A";
constexpr const char* kTwoSmallPieces =
    "79A68194A5A1DC354264D70A556FF0A6ACF1478D589A98CBB22BBB81FE55B5E5";
constexpr const char* kTwoPiecesAndOneByte =
    "21F757FBB73D921451294C3339CF6F5A50E6B3B64E42B0D85683A8A77CAFD9BF";

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    }
    return bytes;
}

struct Call {
    std::uint64_t fileSize;
    std::uint64_t chunk;
    std::uint64_t done;
    bool operator==(const Call&) const = default;
};

// Records every call; stops at call number `stopAt` (1-based, 0: never) and
// may run an action on the file first.
struct Recorder {
    std::vector<Call> calls;
    std::size_t stopAt = 0;
    std::string truncateNativeTo;  // truncated to one piece on the first call

    static int Callback(std::uint64_t fileSize, std::uint64_t chunk, std::uint64_t done,
                        void* context) {
        auto& self = *static_cast<Recorder*>(context);
        self.calls.push_back({fileSize, chunk, done});
        if (!self.truncateNativeTo.empty() && self.calls.size() == 1) {
            EXPECT_EQ(::truncate(self.truncateNativeTo.c_str(), kPiece), 0);
        }
        return self.calls.size() == self.stopAt ? 0 : 1;
    }
};

class FileDigestTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder_.Native(name), std::ios::binary) << bytes;
        return folder_.Windows(name);
    }
    envtest::TempFolder folder_;
};

TEST_F(FileDigestTest, KnownVectorsInUpperCaseHex) {
    const std::vector<std::tuple<std::string, std::string>> cases = {
        {"", kEmptyMessage},
        {"abc", kAbc},
        {Pattern(4096 * 3 + 1), kThreeSmallPiecesAndOneByte},
        {Pattern(4096 * 2), kTwoSmallPieces},
    };
    for (const auto& [bytes, expected] : cases) {
        std::string digest;
        ASSERT_TRUE(FileDigest(Write("f.bin", bytes), digest)) << bytes.size();
        EXPECT_EQ(digest, expected) << bytes.size() << " bytes";
    }
}

TEST_F(FileDigestTest, CallbackSeesEveryPieceOf64KiB) {
    const std::uint64_t size = kPiece * 2 + 1;
    const std::string path = Write("f.bin", Pattern(size));
    Recorder recorder;
    std::string digest;
    ASSERT_TRUE(FileDigest(path, digest, &Recorder::Callback, &recorder));
    const std::vector<Call> expected = {
        {size, kPiece, kPiece}, {size, kPiece, 2 * kPiece}, {size, 1, size}};
    EXPECT_EQ(recorder.calls, expected);
    EXPECT_EQ(digest, kTwoPiecesAndOneByte);

    Recorder empty;
    ASSERT_TRUE(FileDigest(Write("empty", ""), digest, &Recorder::Callback, &empty));
    EXPECT_TRUE(empty.calls.empty());
}

TEST_F(FileDigestTest, CallbackStopFailsAndLeavesTheDigestAlone) {
    const std::string path = Write("f.bin", Pattern(kPiece * 3));
    for (std::size_t stopAt : {1u, 3u}) {  // the last piece too: stopping is never success
        Recorder recorder;
        recorder.stopAt = stopAt;
        std::string digest = "unchanged";
        EXPECT_FALSE(FileDigest(path, digest, &Recorder::Callback, &recorder)) << stopAt;
        EXPECT_EQ(win::GetLastError(), win::ERROR_CANCELLED);
        EXPECT_EQ(digest, "unchanged");
        EXPECT_EQ(recorder.calls.size(), stopAt);
    }
}

TEST_F(FileDigestTest, FileThatShrinksWhileHashedFails) {
    const std::string path = Write("f.bin", Pattern(kPiece * 3));
    Recorder recorder;
    recorder.truncateNativeTo = folder_.Native("f.bin");
    std::string digest = "unchanged";
    EXPECT_FALSE(FileDigest(path, digest, &Recorder::Callback, &recorder));
    EXPECT_EQ(win::GetLastError(), win::ERROR_HANDLE_EOF);
    EXPECT_EQ(digest, "unchanged");
    EXPECT_EQ(recorder.calls.size(), 1u);
}

TEST_F(FileDigestTest, MissingFileOrFolderFailsWithItsSystemCode) {
    std::string digest = "unchanged";
    EXPECT_FALSE(FileDigest(folder_.Windows() + "\\absent.bin", digest));
    EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(FileDigest(folder_.Windows(), digest));  // a folder is no file
    EXPECT_NE(win::GetLastError(), win::ERROR_SUCCESS);
    EXPECT_EQ(digest, "unchanged");
}

}  // namespace
