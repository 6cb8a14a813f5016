// How often the record is rewritten during a download, and when a save
// waits for the disk. A wait there also lasts until every file written
// before reaches the disk, so it must be spent only where a power cut would
// otherwise cost a long download again.
//
// fsync and rename (each save replaces the record by a rename) are counted
// by defining them in this program: the linker prefers them to the C
// library's. A sanitizer runtime defines its own, so the count is left out
// there.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <string>

#include "env/Application.h"
#include "platform/NativePath.h"
#include "tests/transfer/HttpTransferFixture.h"
#include "transfer/DownloadPhase.h"
#include "transfer/ItemRecords.h"
#include "transfer/VerificationPhase.h"
#include "transfer/VersionFile.h"

using kivtransfer::CONTENTDATA;
using kivtransfer::CVersionFile;
using kivtransfer::DownloadPhase;
using kivtransfer::VerificationPhase;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KIV_COUNTS_SYNCS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KIV_COUNTS_SYNCS 0
#endif
#endif
#ifndef KIV_COUNTS_SYNCS
#define KIV_COUNTS_SYNCS 1
#endif

namespace {
std::atomic<int> gSyncs{0};
std::atomic<int> gRenames{0};
}  // namespace

#if KIV_COUNTS_SYNCS
extern "C" int fsync(int fd) {
    ++gSyncs;
    return static_cast<int>(syscall(SYS_fsync, fd));
}
extern "C" int rename(const char* from, const char* to) {
    ++gRenames;
    return static_cast<int>(syscall(SYS_renameat, AT_FDCWD, from, AT_FDCWD, to));
}
#endif

namespace {

std::string FileBytes(const std::string& nativePath) {
    std::ifstream in(nativePath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RecordFlushTest : public HttpTransferFixture {
protected:
    void SetUp() override {
        if (!KIV_COUNTS_SYNCS) {
            GTEST_SKIP() << "fsync cannot be counted under a sanitizer";
        }
        HttpTransferFixture::SetUp();
    }
};

TEST_F(RecordFlushTest, APageOfSmallFilesNeverWaitsForTheDisk) {
    server.ServeContent(Content(70000), kLastModified);
    const std::string good = AddItem("/good.bin", "good.bin").localPath;
    CONTENTDATA& broken = AddItem("/broken.bin", "broken.bin");
    broken.hash = std::string(64, 'A');
    const int before = gSyncs;

    ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
    EXPECT_FALSE(VerificationPhase(control)) << "the second file does not match its hash";
    EXPECT_EQ(gSyncs - before, 0);
    // The saves were made all the same: the good file's row is gone, the
    // broken one is marked so that the next run starts it over.
    std::string text;
    EXPECT_FALSE(RecordedText(good, text)) << text;
    ASSERT_TRUE(RecordedText(WindowsPath(broken.name), text));
    EXPECT_EQ(text, "FILEBROKEN");

    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    ASSERT_TRUE(versionFile.Set("K", "p", "s", 0));
    ASSERT_TRUE(versionFile.Save());
    EXPECT_GT(gSyncs - before, 0) << "a plain save still waits for the disk";
}

// The rows that claim the files of a page are written in one save before the
// first file, not in one rewrite of the whole record per file.
TEST_F(RecordFlushTest, ThePageClaimsItsFilesInOneSave) {
    server.ServeContent(Content(5000), kLastModified);
    for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
        AddItem(std::string("/") + name, name);
    }
    const int before = gRenames;
    ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
    EXPECT_EQ(gRenames - before, 1);
    for (const auto& item : control.items) {
        std::string text;
        EXPECT_EQ(item->localPath, WindowsPath(Part(item->name)));
        ASSERT_TRUE(RecordedText(WindowsPath(item->name), text)) << item->name;
        EXPECT_EQ(text, kLastModified);
    }
}

// After the page's claim each transfer knows its row stands and reads the
// record no more (bytes that do not parse would be put aside by a read);
// an item whose source changed since claims its file again.
TEST_F(RecordFlushTest, TransfersReadTheRecordOnlyWhenThePageClaimNoLongerFits) {
    server.ServeContent(Content(5000), kLastModified);
    for (const char* name : {"a.bin", "b.bin"}) {
        CONTENTDATA& item = AddItem(std::string("/") + name, name);
        item.size = 5000;
        item.lastModified = kLastModified;
    }
    ClaimItemFiles(control);
    std::string record;
    ASSERT_TRUE(win::ToNativePath(env::GetVersionFilePath(), record));
    const std::string unreadable = "not a row\n";
    std::ofstream(record, std::ios::trunc) << unreadable;

    ASSERT_TRUE(Transfer(0)) << control.error.errorCode;
    EXPECT_EQ(FileBytes(record), unreadable);

    CONTENTDATA& changed = *control.items[1];
    changed.lastModified = "Thu, 02 Jul 2015 00:00:00 GMT";
    ASSERT_TRUE(Transfer(1)) << control.error.errorCode;
    std::string text;
    ASSERT_TRUE(RecordedText(changed.localPath, text));
    EXPECT_EQ(text, changed.lastModified);
}

// A run that stops early leaves no claim on a file it never started: a row
// would otherwise make a later run take a file someone else put there for
// a partial download of this source.
TEST_F(RecordFlushTest, ARunThatStopsEarlyDropsTheClaimsOfFilesNeverStarted) {
    server.Enqueue(kivtest::CannedResponse::File(Content(5000), kLastModified));  // HEAD first
    server.Enqueue(kivtest::CannedResponse::File(Content(5000), kLastModified));  // HEAD second
    server.SetDefault(kivtest::CannedResponse::Status(404));                      // the GETs
    const std::string first = AddItem("/first.bin", "first.bin").localPath;
    const std::string second = AddItem("/second.bin", "second.bin").localPath;

    EXPECT_FALSE(DownloadPhase(control));
    // The second file's request may have gone out ahead, but the file is
    // never started: nothing of it is written or claimed.
    ASSERT_FALSE(RequestsOf("GET").empty());
    EXPECT_FALSE(LocalExists("second.bin"));
    std::string text;
    EXPECT_FALSE(RecordedText(second, text)) << text;
    EXPECT_FALSE(RecordedText(first, text)) << "refused before its first byte";
}

// A power cut must not leave a long partial file unclaimed, or the next run
// would download it all again.
TEST_F(RecordFlushTest, TheRecordOfALargeFileReachesTheDiskBeforeItsBody) {
    server.ServeContent(Content(16u << 20), kLastModified);
    AddItem("/large.bin", "large.bin");
    const int before = gSyncs;
    ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
    EXPECT_GT(gSyncs - before, 0);
}

}  // namespace
