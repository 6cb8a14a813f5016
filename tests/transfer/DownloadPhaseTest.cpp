// The download phase: preparation against the version file, the messages to
// the dialog and the verification totals.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "env/Application.h"
#include "platform/FileApi.h"
#include "tests/support/RecordingReport.h"
#include "tests/transfer/HttpTransferFixture.h"
#include "transfer/DownloadPhase.h"
#include "transfer/FileDigest.h"
#include "transfer/LocalFileVerdict.h"
#include "transfer/VersionFile.h"

using kivtransfer::CONTENTDATA;
using kivtransfer::CVersionFile;
using kivtransfer::DownloadPhase;
using kivtransfer::ErrorState;
using kivtransfer::FileDigest;
using kivtransfer::JudgeLocalFile;
using kivtransfer::LocalFileVerdict;
using kivtransfer::PrepareItems;

namespace {

using ::testing::ElementsAre;

const std::string kHash(64, 'A');

class DownloadPhaseTest : public HttpTransferFixture {
protected:
    void Record(const std::string& fileName, const std::string& storedText, int number = 0) {
        CVersionFile versionFile;
        versionFile.Open(env::GetVersionFilePath());
        const std::string path = WindowsPath(fileName);
        ASSERT_TRUE(versionFile.Set(path, path, storedText, number));
        ASSERT_TRUE(versionFile.Save());
    }

    std::vector<std::string> StatusTexts() const {
        std::vector<std::string> texts;
        for (const RecordedMessage& status : control.MessagesOf(DLGM_STATUS)) {
            texts.push_back(status.text);
        }
        return texts;
    }
};

TEST_F(DownloadPhaseTest, TwoItemsInOrderWithTheirMessages) {
    server.ServeContent(Content(70000), kLastModified);
    AddItem("/first.bin", "first.bin").hash = kHash;
    AddItem("/second.bin", "second.bin");
    control.parameters["playbutton"] = "ON";

    ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
    EXPECT_TRUE(LocalHolds(Part("first.bin"), Content(70000)));
    EXPECT_TRUE(LocalHolds(Part("second.bin"), Content(70000)));
    for (const auto& item : control.items) {
        EXPECT_EQ(item->flags & (CDF_PREPARED | CDF_RECEIVING | CDF_COMPLETE),
                  CDF_PREPARED | CDF_RECEIVING | CDF_COMPLETE);
    }
    EXPECT_EQ(control.counters.RemainingBytes(), 0u);
    // The size queries go out together, each on a connection of its own; the
    // transfers then reuse those kept-alive connections.
    const auto heads = RequestsOf("HEAD");
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_NE(heads[0].connection, heads[1].connection);
    EXPECT_EQ(server.ConnectionCount(), 2);
    EXPECT_EQ(control.counters.VerifyFileCount(), 1u);  // only the item with a hash
    EXPECT_EQ(control.counters.VerifyTotalBytes(), 70000u);

    // The status is sent once for the page: each send waits for the dialog's
    // thread, and nothing changes the status between the files.
    EXPECT_THAT(StatusTexts(), ElementsAre("Preparing to download.", "Downloading file(s)."));
    const auto range = control.MessagesOf(DLGM_OVERALLRANGE);
    ASSERT_EQ(range.size(), 1u);
    EXPECT_EQ(range[0].lParam, 2);
    EXPECT_EQ(control.MessagesOf(DLGM_OVERALLSTEP).size(), 2u);
    const auto names = control.MessagesOf(DLGM_FILENAME);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].text, "first.bin");
    EXPECT_EQ(names[1].text, "second.bin");
    // The play button: asked for when the phase starts, then once on the first data.
    const auto play = control.MessagesOf(DLGM_PLAYBUTTON);
    ASSERT_EQ(play.size(), 2u);
    EXPECT_EQ(play[0].lParam, 0);
    EXPECT_EQ(play[1].lParam, 1);
    EXPECT_EQ(play[1].kind, RecordedMessage::Kind::Post);
}

// Its size proves nothing about a file nobody recorded: with a hash it is
// hashed when judged (shown as verified), kept when it matches and fetched
// again from byte 0 when it does not, never reported broken. Without a hash
// the size alone still decides.
TEST_F(DownloadPhaseTest, UnrecordedFileOfTheAnnouncedSizeIsHashedWhenAHashIsGiven) {
    server.ServeContent(Content(5000), kLastModified);
    WriteLocal("probe.bin", Content(5000));
    std::string goodHash;
    ASSERT_TRUE(FileDigest(WindowsPath("probe.bin"), goodHash));
    const std::string planted(5000, 'x');
    AddItem("/a.bin", "nohash.bin");
    WriteLocal("nohash.bin", planted);
    AddItem("/a.bin", "good.bin").hash = goodHash;
    WriteLocal("good.bin", Content(5000));
    AddItem("/a.bin", "planted.bin").hash = goodHash;
    WriteLocal("planted.bin", planted);

    ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
    const std::uint32_t kJudged = CDF_COMPLETE | CDF_UNRECORDED | CDF_RECEIVING | CDF_BROKEN;
    EXPECT_EQ(control.items[0]->flags & kJudged, CDF_COMPLETE | CDF_UNRECORDED);
    EXPECT_EQ(control.items[1]->flags & kJudged, CDF_COMPLETE | CDF_UNRECORDED);
    EXPECT_EQ(control.items[2]->flags & kJudged, CDF_COMPLETE | CDF_RECEIVING);
    EXPECT_TRUE(LocalHolds("nohash.bin", planted));
    EXPECT_TRUE(LocalHolds(Part("planted.bin"), Content(5000)));
    EXPECT_TRUE(LocalHolds("planted (1).bin", planted));  // not the item's: kept
    const auto gets = RequestsOf("GET");
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_FALSE(gets[0].Header("Range").has_value());
    // The new download, in the verification phase.
    EXPECT_EQ(control.counters.VerifyFileCount(), 1u);
    EXPECT_THAT(StatusTexts(),
                ElementsAre("Preparing to download.", "Verifying file.", "Preparing to download.",
                            "Verifying file.", "Preparing to download.", "Downloading file(s)."));
}

// A file with an item's name, no record of ours, that is not the item's
// complete file (another size, or another hash where one is given) is
// someone's own: whether the run resumes or starts over, it is moved to the
// first free "NAME (n).EXT", never continued or replaced, and the host
// hears of it.
TEST_F(DownloadPhaseTest, OthersFilesWithAnItemsNameAreKeptAsideUnderAFreeName) {
    server.ServeContent(Content(5000), "");  // no date: a partial file would even be resumed
    WriteLocal("probe.bin", Content(5000));
    std::string goodHash;
    ASSERT_TRUE(FileDigest(WindowsPath("probe.bin"), goodHash));
    RecordingReport report;
    control.report = &report;
    struct Case {
        const char* name;
        bool resume;
        std::string hash;
        std::string before;
        const char* keptAs;
    };
    const Case cases[] = {
        {"notes.txt", true, "", "the user's notes", "notes (2).txt"},  // "(1)" is taken
        {"letter.txt", false, "", "the user's letter", "letter (1).txt"},
        {"README", true, "", "read me", "README (1)"},
        {"same-size.bin", false, goodHash, std::string(5000, 'u'), "same-size (1).bin"},
    };
    WriteLocal("notes (1).txt", "taken");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.resume ? " resume" : " restart"));
        control.items.clear();
        control.resumeAllowed = c.resume;
        WriteLocal(c.name, c.before);
        AddItem("/a.bin", c.name).hash = c.hash;
        ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
        EXPECT_EQ(control.items[0]->keptAsideAs, c.keptAs);
        EXPECT_TRUE(LocalHolds(c.keptAs, c.before));
        EXPECT_TRUE(LocalHolds(Part(c.name), Content(5000)));
        ASSERT_FALSE(report.events.empty());
        EXPECT_EQ(report.events.front(), std::string("kept ") + c.name + " as " + c.keptAs);
        report.events.clear();
    }
    EXPECT_TRUE(LocalHolds("notes (1).txt", "taken"));
    for (const auto& get : RequestsOf("GET")) {
        EXPECT_FALSE(get.Header("Range").has_value()) << get.requestLine;
    }
}

// Whatever has an item's name but is not the user's own plain file is
// refused as it stands, with the file error naming the item, whether the
// run resumes or starts over: nothing is written, deleted or read through it.
TEST_F(DownloadPhaseTest, EntriesThatAreNotPlainFilesAreRefusedUntouched) {
    server.ServeContent(Content(5000), "");  // no date: a link would even be resumed
    WriteLocal("victim.txt", "secret");
    ASSERT_EQ(symlink(NativePath("victim.txt").c_str(), NativePath("notes.txt").c_str()), 0);
    ASSERT_EQ(mkfifo(NativePath("fifo.bin").c_str(), 0600), 0);
    std::filesystem::create_directory(NativePath("folder.bin"));
    const std::pair<const char*, bool> cases[] = {
        {"notes.txt", true},  {"notes.txt", false},  {"fifo.bin", true},   {"fifo.bin", false},
        {"folder.bin", true}, {"folder.bin", false},
    };
    for (const auto& [name, resume] : cases) {
        control.items.clear();
        control.error = ErrorState{};
        control.resumeAllowed = resume;
        AddItem("/a.bin", name);
        EXPECT_FALSE(DownloadPhase(control)) << name << " resume " << resume;
        EXPECT_EQ(control.error.errorCode, 100) << name;
        EXPECT_EQ(control.error.lastError, win::ERROR_ACCESS_DENIED) << name;
        EXPECT_EQ(control.error.errorDetail, name);
    }
    EXPECT_TRUE(RequestsOf("GET").empty());
    EXPECT_EQ(ReadLocal("victim.txt"), "secret");
    EXPECT_EQ(win::GetFileAttributes(WindowsPath("victim.txt")), win::FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(std::filesystem::is_symlink(NativePath("notes.txt")));
    EXPECT_TRUE(std::filesystem::is_fifo(NativePath("fifo.bin")));
}

// A file with a second name is never written through. When it already is
// the item's complete file it needs no writing and is taken as it stands;
// any other is kept aside like a file of anyone's, and the item starts over.
TEST_F(DownloadPhaseTest, FileWithASecondNameIsTakenWhenCompleteElseKeptAside) {
    server.ServeContent(Content(5000), "");
    WriteLocal("probe.bin", Content(5000));
    std::string goodHash;
    ASSERT_TRUE(FileDigest(WindowsPath("probe.bin"), goodHash));
    WriteLocal("elsewhere.bin", Content(5000));
    ASSERT_EQ(link(NativePath("elsewhere.bin").c_str(), NativePath("whole.bin").c_str()), 0);
    WriteLocal("short-elsewhere.bin", Content(100));
    ASSERT_EQ(link(NativePath("short-elsewhere.bin").c_str(), NativePath("short.bin").c_str()), 0);
    control.resumeAllowed = true;
    AddItem("/a.bin", "whole.bin").hash = goodHash;
    AddItem("/a.bin", "short.bin").hash = goodHash;

    ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
    EXPECT_EQ(control.items[0]->flags & (CDF_COMPLETE | CDF_UNRECORDED | CDF_RECEIVING),
              CDF_COMPLETE | CDF_UNRECORDED);
    EXPECT_EQ(control.items[0]->localPath, WindowsPath("whole.bin"));
    EXPECT_EQ(control.items[1]->keptAsideAs, "short (1).bin");
    EXPECT_TRUE(LocalHolds(Part("short.bin"), Content(5000)));
    EXPECT_TRUE(LocalHolds("short-elsewhere.bin", Content(100)));
    EXPECT_TRUE(LocalHolds("short (1).bin", Content(100)));
    EXPECT_EQ(RequestsOf("GET").size(), 1u);
}

// The entry's number adds flag bits of its own, never the engine's state: a
// forged row cannot mark the file unrecorded (unhashed) or broken.
TEST_F(DownloadPhaseTest, CompleteRecordedFileTakesTheEntryNumberAndIsHashed) {
    server.ServeContent(Content(5000), kLastModified);
    AddItem("/a.bin", "a.bin").hash = kHash;
    WriteLocal("a.bin", Content(5000));
    Record("a.bin", kLastModified, static_cast<int>(0x1000 | CDF_UNRECORDED | CDF_BROKEN));

    ASSERT_TRUE(DownloadPhase(control));
    const CONTENTDATA& item = *control.items[0];
    EXPECT_EQ(item.flags & (CDF_COMPLETE | CDF_UNRECORDED | CDF_BROKEN | 0x1000),
              CDF_COMPLETE | 0x1000);
    EXPECT_TRUE(RequestsOf("GET").empty());
    EXPECT_EQ(control.counters.VerifyFileCount(), 1u);
    EXPECT_EQ(control.counters.VerifyTotalBytes(), 5000u);
}

TEST_F(DownloadPhaseTest, PartialFileOfTheSameSourceIsResumed) {
    server.ServeContent(Content(60000), kLastModified);
    AddItem("/a.bin", "a.bin");
    WriteLocal("a.bin", Content(60000).substr(0, 25000));
    Record("a.bin", kLastModified);

    ASSERT_TRUE(DownloadPhase(control));
    EXPECT_NE(control.items[0]->flags & CDF_RESUME, 0u);
    EXPECT_EQ(RequestsOf("GET").at(0).Header("Range"), "bytes=25000-");
    EXPECT_TRUE(LocalHolds("a.bin", Content(60000)));
}

// The requests of the next small fresh files go out while a file is
// received, and each is taken by its item's attempt instead of a second
// request; a file to be resumed sends its own ranged request.
TEST_F(DownloadPhaseTest, SmallFilesAheadAreRequestedOnceAndResumedFilesAskForTheirRange) {
    server.ServeContent(Content(60000), kLastModified);
    AddItem("/a.bin", "a.bin");
    AddItem("/b.bin", "b.bin");
    WriteLocal("b.bin", Content(25000));
    Record("b.bin", kLastModified);
    AddItem("/c.bin", "c.bin");
    AddItem("/d.bin", "d.bin");

    ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
    // Fresh files go to their part files; b.bin's row names its final path
    // and is resumed there.
    for (const char* name : {"a.bin", "c.bin", "d.bin"}) {
        EXPECT_TRUE(LocalHolds(Part(name), Content(60000))) << name;
    }
    EXPECT_TRUE(LocalHolds("b.bin", Content(60000)));
    std::vector<std::string> gets;
    for (const auto& get : RequestsOf("GET")) {
        gets.push_back(get.requestLine + " " + get.Header("Range").value_or("whole"));
    }
    EXPECT_THAT(gets, ::testing::UnorderedElementsAre(
                          "GET /a.bin HTTP/1.1 whole", "GET /b.bin HTTP/1.1 bytes=25000-",
                          "GET /c.bin HTTP/1.1 whole", "GET /d.bin HTTP/1.1 whole"));
}

TEST_F(DownloadPhaseTest, PartialFilesThatCannotBeContinuedStartOver) {
    server.ServeContent(Content(8000), kLastModified);
    AddItem("/changed.bin", "changed.bin");  // the source changed since
    WriteLocal("changed.bin", "old bytes");
    Record("changed.bin", "Tue, 30 Jun 2015 00:00:00 GMT");
    AddItem("/longer.bin", "longer.bin");  // longer than the item
    WriteLocal("longer.bin", Content(9000));
    Record("longer.bin", kLastModified);
    AddItem("/refused.bin", "refused.bin");  // same source, but resuming was declined
    WriteLocal("refused.bin", Content(100));
    Record("refused.bin", kLastModified);

    control.resumeAllowed = true;
    ASSERT_TRUE(PrepareItems(control));
    EXPECT_EQ(control.items[0]->flags & (CDF_RESUME | CDF_COMPLETE), 0u);
    EXPECT_EQ(control.items[1]->flags & (CDF_RESUME | CDF_COMPLETE), 0u);
    EXPECT_EQ(control.counters.RemainingBytes(), 8000u * 2 + 7900u);

    control.resumeAllowed = false;
    for (const auto& item : control.items) {
        item->flags = 0;
    }
    ASSERT_TRUE(DownloadPhase(control));
    for (const auto& name : {"changed.bin", "longer.bin", "refused.bin"}) {
        EXPECT_TRUE(LocalHolds(name, Content(8000)));
    }
    for (const auto& get : RequestsOf("GET")) {
        EXPECT_FALSE(get.Header("Range").has_value()) << get.requestLine;
    }
}

TEST_F(DownloadPhaseTest, RefusedHeadEndsThePhaseBeforeAnyTransfer) {
    server.SetDefault(kivtest::CannedResponse::Status(404));
    AddItem("/a.bin", "a.bin");

    EXPECT_FALSE(DownloadPhase(control));
    EXPECT_EQ(control.error.errorCode, 301);
    EXPECT_EQ(control.error.lastError, 404u);
    EXPECT_EQ(RequestsOf("HEAD").size(), 1u);
    EXPECT_TRUE(RequestsOf("GET").empty());
    EXPECT_FALSE(LocalExists("a.bin"));
    EXPECT_EQ(StatusTexts().back(), "An error occurred during the download.");
}

// The size queries travel together, so a later item's failure can be known
// first (a name that never resolves fails at once): still the first failure
// in page order is the one reported.
TEST_F(DownloadPhaseTest, FirstFailureInPageOrderIsTheOneReported) {
    server.ServeContent(Content(100), kLastModified);
    kivtest::CannedServer refusing;
    refusing.SetDefault(kivtest::CannedResponse::Status(404));
    AddItem("/a.bin", "a.bin");
    AddItem("/b.bin", "b.bin").url = refusing.Url("/b.bin");
    AddItem("/c.bin", "c.bin").url = "http://never.invalid/c.bin";

    EXPECT_FALSE(DownloadPhase(control));
    EXPECT_EQ(control.error.errorCode, 301);
    EXPECT_EQ(control.error.lastError, 404u);
    EXPECT_EQ(refusing.Requests().size(), 1u);
    EXPECT_TRUE(RequestsOf("GET").empty());
    EXPECT_FALSE(LocalExists("a.bin"));
}

TEST_F(DownloadPhaseTest, SizeQueryIsTriedTwelveTimesOnConnectionFailures) {
    for (int i = 0; i < 11; ++i) {
        server.Enqueue(kivtest::CannedResponse::Reset());
    }
    // The answer ends its connection, so the failures below meet new ones
    // (a dead kept-alive connection is tried again by libcurl itself).
    kivtest::CannedResponse file = kivtest::CannedResponse::File(Content(10), kLastModified);
    file.ending = kivtest::CannedResponse::Ending::Close;
    server.SetDefault(file);
    AddItem("/a.bin", "a.bin");
    ASSERT_TRUE(PrepareItems(control)) << control.error.errorCode;
    EXPECT_EQ(control.items[0]->size, 10u);

    for (int i = 0; i < 12; ++i) {
        server.Enqueue(kivtest::CannedResponse::Reset());
    }
    EXPECT_FALSE(PrepareItems(control));
    EXPECT_EQ(control.error.errorCode, 300);
    EXPECT_EQ(RequestsOf("HEAD").size(), 12u + 12u);
    EXPECT_TRUE(control.Sleeps().empty());  // no pause between size queries
}

TEST_F(DownloadPhaseTest, NoItemsIs999) {
    EXPECT_FALSE(DownloadPhase(control));
    EXPECT_EQ(control.error.errorCode, 999);
}

TEST(LocalFileVerdictTest, DecisionTable) {
    const std::string lm = "Wed, 01 Jul 2015 00:00:00 GMT";
    EXPECT_EQ(JudgeLocalFile(100, 100, false, "", lm), LocalFileVerdict::Complete);
    EXPECT_EQ(JudgeLocalFile(100, 100, true, lm, lm), LocalFileVerdict::Complete);
    EXPECT_EQ(JudgeLocalFile(100, 100, true, "other", lm), LocalFileVerdict::Discard);
    EXPECT_EQ(JudgeLocalFile(40, 100, true, lm, lm), LocalFileVerdict::Resume);
    EXPECT_EQ(JudgeLocalFile(40, 100, true, "wed, 01 jul 2015 00:00:00 gmt", lm),
              LocalFileVerdict::Discard);  // compared exactly
    EXPECT_EQ(JudgeLocalFile(40, 100, false, "", lm), LocalFileVerdict::Discard);
    EXPECT_EQ(JudgeLocalFile(40, 100, false, "", ""), LocalFileVerdict::Resume);
    EXPECT_EQ(JudgeLocalFile(101, 100, true, lm, lm), LocalFileVerdict::Discard);
    // No size announced: an empty leftover proves nothing.
    EXPECT_EQ(JudgeLocalFile(0, 0, true, lm, lm), LocalFileVerdict::Discard);
}

}  // namespace
