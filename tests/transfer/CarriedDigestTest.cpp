// The digest carried through a download: the verification takes it instead
// of reading the file, unless the file changed after the transfer wrote it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/transfer/HttpTransferFixture.h"
#include "transfer/VerificationPhase.h"

using kivtransfer::CONTENTDATA;
using kivtransfer::VerificationPhase;

namespace {

class CarriedDigestTest : public HttpTransferFixture {
protected:
    std::size_t PositionPosts() const {
        std::size_t posts = 0;
        for (const RecordedMessage& m : control.MessagesOf(DLGM_CURRENTPOS)) {
            posts += m.kind == RecordedMessage::Kind::Post ? 1 : 0;
        }
        return posts;
    }
};

TEST_F(CarriedDigestTest, VerificationUsesItUnlessTheFileChangedBehindTheTransfer) {
    const std::string content = Content(300000);  // five pieces when read
    server.ServeContent(content, kLastModified);
    enum class Hashing { Carried, Read, Refused };
    struct Case {
        const char* what;
        void (*change)(const std::string& nativePath);
        Hashing hashing;
        int errorCode;
    };
    const Case cases[] = {
        {"left alone", [](const std::string&) {}, Hashing::Carried, 0},
        {"one byte rewritten in place at once",
         [](const std::string& path) {
             std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
             file.seekp(1000);
             file.put('#');
         },
         Hashing::Read, 500},
        {"one byte rewritten in place, its modification time put back",
         [](const std::string& path) {
             struct stat before {};
             ASSERT_EQ(stat(path.c_str(), &before), 0);
             // Past the clock tick of the transfer's own last change.
             std::this_thread::sleep_for(std::chrono::milliseconds(30));
             {
                 std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
                 file.seekp(2000);
                 file.put('#');
             }
             const struct timespec times[2] = {before.st_atim, before.st_mtim};
             ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
         },
         Hashing::Read, 500},
        {"replaced by a copy of itself",
         [](const std::string& path) {
             std::filesystem::copy_file(path, path + ".copy");
             std::filesystem::rename(path + ".copy", path);
         },
         Hashing::Read, 0},
        // Someone's link to it: no more this user's file alone.
        {"given a second name",
         [](const std::string& path) { std::filesystem::create_hard_link(path, path + ".link"); },
         Hashing::Refused, 22},
    };
    for (const Case& c : cases) {
        const std::size_t index = control.items.size();
        const std::string name = "f" + std::to_string(index) + ".bin";
        CONTENTDATA& item = AddItem("/a.bin", name);
        item.size = content.size();
        item.hash = Sha256Hex(content);
        ASSERT_TRUE(Transfer(index)) << c.what;
        item.flags |= CDF_COMPLETE;
        c.change(NativePath(name));

        for (const auto& other : control.items) other->hash.clear();  // this item alone
        item.hash = Sha256Hex(content);
        control.counters.AddFileToVerify(content.size());
        control.error = {};
        const std::size_t postsBefore = PositionPosts();
        EXPECT_EQ(VerificationPhase(control), c.errorCode == 0) << c.what;
        EXPECT_EQ(control.error.errorCode, c.errorCode) << c.what;
        // The carried digest completes the file's bar at once; reading it
        // moves the bar piece by piece.
        const std::size_t posts = PositionPosts() - postsBefore;
        switch (c.hashing) {
            case Hashing::Carried:
                EXPECT_EQ(posts, 1u) << c.what;
                break;
            case Hashing::Read:
                EXPECT_GT(posts, 1u) << c.what;
                break;
            case Hashing::Refused:
                EXPECT_EQ(posts, 0u) << c.what;
                break;
        }
    }
}

}  // namespace
