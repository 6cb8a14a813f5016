// The download phase: preparation against the version file, the messages to
// the dialog and the verification totals.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "env/Application.h"
#include "tests/transfer/HttpTransferFixture.h"
#include "transfer/DownloadPhase.h"
#include "transfer/LocalFileVerdict.h"
#include "transfer/VersionFile.h"

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
    EXPECT_TRUE(LocalHolds("first.bin", Content(70000)));
    EXPECT_TRUE(LocalHolds("second.bin", Content(70000)));
    for (const auto& item : control.items) {
        EXPECT_EQ(item->flags & (CDF_PREPARED | CDF_RECEIVING | CDF_COMPLETE),
                  CDF_PREPARED | CDF_RECEIVING | CDF_COMPLETE);
    }
    EXPECT_EQ(control.remainingBytes, 0u);
    EXPECT_EQ(control.verifyFileCount, 1u);  // only the item with a hash
    EXPECT_EQ(control.verifyTotalBytes, 70000u);

    EXPECT_THAT(StatusTexts(), ElementsAre("Preparing to download.", "Downloading file(s).",
                                           "Downloading file(s)."));
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

TEST_F(DownloadPhaseTest, CompleteFileWithoutVersionEntryIsNotDownloadedNorHashed) {
    server.ServeContent(Content(5000), kLastModified);
    AddItem("/a.bin", "a.bin").hash = kHash;
    WriteLocal("a.bin", Content(5000));

    ASSERT_TRUE(DownloadPhase(control));
    const CONTENTDATA& item = *control.items[0];
    EXPECT_EQ(item.flags & (CDF_COMPLETE | CDF_UNRECORDED), CDF_COMPLETE | CDF_UNRECORDED);
    EXPECT_TRUE(RequestsOf("GET").empty());
    EXPECT_EQ(control.verifyFileCount, 0u);
    EXPECT_EQ(control.remainingBytes, 0u);
    // Its bytes still count on the dialog's overall bar: its size is announced.
    const auto totals = control.MessagesOf(DLGM_CURRENTTOTAL);
    ASSERT_FALSE(totals.empty());
    EXPECT_EQ(totals.back().Value64(), 5000u);
}

TEST_F(DownloadPhaseTest, CompleteRecordedFileTakesTheEntryNumberAndIsHashed) {
    server.ServeContent(Content(5000), kLastModified);
    AddItem("/a.bin", "a.bin").hash = kHash;
    WriteLocal("a.bin", Content(5000));
    Record("a.bin", kLastModified, 0x1000);

    ASSERT_TRUE(DownloadPhase(control));
    const CONTENTDATA& item = *control.items[0];
    EXPECT_EQ(item.flags & (CDF_COMPLETE | CDF_UNRECORDED | 0x1000), CDF_COMPLETE | 0x1000);
    EXPECT_TRUE(RequestsOf("GET").empty());
    EXPECT_EQ(control.verifyFileCount, 1u);
    EXPECT_EQ(control.verifyTotalBytes, 5000u);
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
    EXPECT_EQ(control.remainingBytes, 8000u * 2 + 7900u);

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

TEST_F(DownloadPhaseTest, SizeQueryIsTriedTwelveTimesOnConnectionFailures) {
    for (int i = 0; i < 11; ++i) {
        server.Enqueue(kivtest::CannedResponse::Reset());
    }
    server.ServeContent(Content(10), kLastModified);
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
