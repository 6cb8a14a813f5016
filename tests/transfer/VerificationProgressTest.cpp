// Hash progress: how often the dialog hears of the position and the
// remaining time, the pause while the page's leave prompt is open, and
// cancellation.
#include <gtest/gtest.h>

#include <vector>

#include "tests/support/FakeDownloadControl.h"
#include "transfer/HashProgress.h"

using kivtransfer::CHashProgress;

namespace {

constexpr std::uint64_t kChunk = 4096;

class VerificationProgressTest : public ::testing::Test {
protected:
    VerificationProgressTest() {
        control.meter.SetClock([this] { return now; });
        control.meter.Restart();
    }
    std::vector<std::uint64_t> Posted(UINT message) const {
        std::vector<std::uint64_t> values;
        for (const RecordedMessage& m : control.MessagesOf(message)) {
            EXPECT_EQ(m.kind, RecordedMessage::Kind::Post);
            values.push_back(message == DLGM_RATETIME ? static_cast<std::uint64_t>(m.lParam)
                                                      : m.Value64());
        }
        return values;
    }

    std::int64_t now = 100;
    FakeDownloadControl control;
    CHashProgress progress{control};
};

TEST_F(VerificationProgressTest, PositionIsPostedOnWholePercentChangesAndWhileStillZero) {
    const std::uint64_t size = 1000 * kChunk;  // 10 pieces per percent
    control.counters.AddFileToVerify(size);
    progress.StartFile();
    for (std::uint64_t done = kChunk; done <= size; done += kChunk) {
        ASSERT_TRUE(progress.OnChunk(size, kChunk, done));
    }
    const std::vector<std::uint64_t> posted = Posted(DLGM_CURRENTPOS);
    ASSERT_EQ(posted.size(), 9u + 100u);
    for (std::uint64_t k = 1; k <= 9; ++k) {
        EXPECT_EQ(posted[k - 1], k * kChunk);  // 0 % reports every piece
    }
    for (std::uint64_t percent = 1; percent <= 100; ++percent) {
        EXPECT_EQ(posted[8 + percent], percent * 10 * kChunk);
    }
    EXPECT_EQ(progress.BytesHashed(), size);
}

TEST_F(VerificationProgressTest, NextFileReportsItsPositionAfreshEvenAtTheSamePercent) {
    control.counters.AddFileToVerify(2 * kChunk);
    progress.StartFile();
    ASSERT_TRUE(progress.OnChunk(kChunk, kChunk, kChunk));
    progress.StartFile();
    ASSERT_TRUE(progress.OnChunk(kChunk, kChunk, kChunk));
    EXPECT_EQ(Posted(DLGM_CURRENTPOS).size(), 2u);
}

TEST_F(VerificationProgressTest, RemainingTimeOnlyFromTheSecondFigureOnAndZeroAtTheEnd) {
    const std::uint64_t size = 10 * kChunk;
    control.counters.AddFileToVerify(size + 6 * kChunk);  // a second file of 6 pieces follows
    progress.StartFile();
    for (std::uint64_t done = kChunk; done <= 4 * kChunk; done += kChunk) {
        ASSERT_TRUE(progress.OnChunk(size, kChunk, done));
    }
    now += 1000;  // the first figure: 5 pieces in one second, not yet settled
    ASSERT_TRUE(progress.OnChunk(size, kChunk, 5 * kChunk));
    ASSERT_TRUE(progress.OnChunk(size, kChunk, 6 * kChunk));
    EXPECT_TRUE(Posted(DLGM_RATETIME).empty());

    now += 1000;  // 7 pieces in two seconds, 3.5 a second; 9 pieces left
    ASSERT_TRUE(progress.OnChunk(size, kChunk, 7 * kChunk));
    ASSERT_EQ(Posted(DLGM_RATETIME), (std::vector<std::uint64_t>{2}));

    for (std::uint64_t done = 8 * kChunk; done <= size; done += kChunk) {
        ASSERT_TRUE(progress.OnChunk(size, kChunk, done));
    }
    progress.StartFile();
    for (std::uint64_t done = kChunk; done <= 6 * kChunk; done += kChunk) {
        ASSERT_TRUE(progress.OnChunk(6 * kChunk, kChunk, done));
    }
    // Still within the same second: only the end of all hashing is told.
    EXPECT_EQ(Posted(DLGM_RATETIME), (std::vector<std::uint64_t>{2, 0}));
}

TEST_F(VerificationProgressTest, LeavePromptPausesHashingUntilThePageAnswers) {
    control.counters.AddFileToVerify(2 * kChunk);
    control.leavePromptPending = true;
    control.browserDialogAnswers = {{true, 1}, {true, 1}, {true, 0}};
    ASSERT_TRUE(progress.OnChunk(2 * kChunk, kChunk, kChunk));
    EXPECT_EQ(control.Sleeps(), (std::vector<std::uint32_t>{500, 500, 500}));
    EXPECT_EQ(control.MessagesOf(CTLM_BROWSERDIALOG).size(), 3u);
    EXPECT_FALSE(control.leavePromptPending);

    // An undelivered question ends the pause as well.
    control.leavePromptPending = true;
    control.browserDialogAnswers = {{false, 1}};
    ASSERT_TRUE(progress.OnChunk(2 * kChunk, kChunk, 2 * kChunk));
    EXPECT_EQ(control.Sleeps().size(), 4u);
    EXPECT_FALSE(control.leavePromptPending);

    // Without the control's window nobody can be asked: one pause, no question.
    control.controlWindow = false;
    control.leavePromptPending = true;
    ASSERT_TRUE(progress.OnChunk(2 * kChunk, kChunk, 2 * kChunk));
    EXPECT_EQ(control.MessagesOf(CTLM_BROWSERDIALOG).size(), 4u);
    EXPECT_EQ(control.Sleeps().size(), 5u);
}

TEST_F(VerificationProgressTest, CancelOrALostDialogStopsTheDigestThroughTheCallback) {
    control.counters.AddFileToVerify(kChunk);
    control.Cancel();
    EXPECT_EQ(CHashProgress::Callback(kChunk, kChunk, kChunk, &progress), 0);
    EXPECT_TRUE(control.MessagesOf(DLGM_CURRENTPOS).empty());

    FakeDownloadControl other;
    other.dialogWindow = false;
    CHashProgress otherProgress(other);
    EXPECT_EQ(CHashProgress::Callback(kChunk, kChunk, kChunk, &otherProgress), 0);

    FakeDownloadControl running;
    CHashProgress runningProgress(running);
    EXPECT_EQ(CHashProgress::Callback(kChunk, kChunk, kChunk, &runningProgress), 1);
}

}  // namespace
