// The download dialog's model: what each DLGM_ message does to what both
// front ends show.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/Language.h"
#include "transfer/ControlMessages.h"
#include "ui/text/DownloadDialogModel.h"

namespace {

using kivui::CDownloadDialogModel;

LPARAM Text(const char* text) {
    return reinterpret_cast<LPARAM>(text);
}

class DownloadDialogModelTest : public ::testing::Test {
protected:
    DownloadDialogModelTest() { win::OverrideLanguage(win::Language::English); }
    ~DownloadDialogModelTest() override { win::ResetLanguage(); }

    void Size(UINT message, std::uint64_t value) {
        model.Apply(message, Low32(value), High32(value));
    }
    // A file counted: its name, the status, the step, its size.
    void NextFile(const char* name, std::uint64_t size, WPARAM mode = 0) {
        model.Apply(DLGM_FILENAME, reinterpret_cast<WPARAM>(name), 0);
        model.Apply(DLGM_STATUS, mode,
                    Text(mode == 0 ? "Downloading file(s)." : "Verifying file."));
        model.Apply(DLGM_OVERALLSTEP, 0, 0);
        Size(DLGM_CURRENTTOTAL, size);
    }

    CDownloadDialogModel model;
};

TEST_F(DownloadDialogModelTest, TheMessagesSetTheDialogsTexts) {
    EXPECT_FALSE(model.StatusShown());
    EXPECT_FALSE(model.CancelEnabled());
    model.SetCaption("Kiv Downloader");
    model.Apply(DLGM_OVERALLRANGE, 0, 3);
    model.Apply(DLGM_STATUS, 0, Text("Downloading file(s)."));
    EXPECT_TRUE(model.Apply(DLGM_OVERALLSTEP, 0, 0).Milestone());
    EXPECT_TRUE(model.Apply(DLGM_FILENAME, reinterpret_cast<WPARAM>("b.bin"), 0).Milestone());
    Size(DLGM_CURRENTTOTAL, 2500);
    EXPECT_FALSE(model.Apply(DLGM_CURRENTPOS, 800, 0).Milestone());
    model.Apply(DLGM_RATETIME, 1234, 65);

    EXPECT_EQ(model.StatusLine(), "Downloading file(s).(1/3)");
    EXPECT_EQ(model.WindowText(), "Kiv Downloader(1/3)");
    EXPECT_EQ(model.FileLine(), "File name: b.bin");
    EXPECT_TRUE(model.CancelEnabled());
    EXPECT_EQ(model.Current().text, "800 byte(s) / 2,500 byte(s) (32% completed)");
    EXPECT_EQ(model.Current().percent, 32);
    EXPECT_EQ(model.Overall().text, "1 / 3");
    EXPECT_EQ(model.RateText(), "About 1,234KB/sec");
    EXPECT_EQ(model.TimeText(), "About  1 min  5 sec");
    EXPECT_EQ(model.TimeLabel(), "Download complete in");

    // A new status keeps the counter out until the next file is counted.
    EXPECT_TRUE(model.Apply(DLGM_STATUS, 1, Text("Verifying file.")).Milestone());
    EXPECT_EQ(model.StatusLine(), "Verifying file.");
    EXPECT_EQ(model.TimeLabel(), "Verification complete in");
    EXPECT_FALSE(model.Apply(DLGM_STATUS, 7, Text("ignored")).Milestone());
    EXPECT_EQ(model.Mode(), 7);  // stored, nothing else changes
    EXPECT_EQ(model.StatusLine(), "Verifying file.");

    model.Apply(DLGM_FILENAME, 0, 0);
    EXPECT_FALSE(model.FileShown());
    EXPECT_TRUE(model.CancelEnabled());
    model.Apply(DLGM_OVERALLSTEP, 1, 0);  // the run ended
    EXPECT_FALSE(model.CancelEnabled());
    model.Apply(DLGM_SHOWLINK, 0, 0);
    EXPECT_TRUE(model.LinkShown());
}

TEST_F(DownloadDialogModelTest, ByteCountsNeedATotalAndTheCountWrapsAround) {
    EXPECT_FALSE(model.Apply(DLGM_CURRENTPOS, 10, 0).Any());
    Size(DLGM_CURRENTTOTAL, 0);
    EXPECT_TRUE(model.Current().busy);
    EXPECT_FALSE(model.Apply(DLGM_CURRENTPOS, 10, 0).Any());
    // Totals beyond 32 bits arrive in two halves.
    Size(DLGM_CURRENTTOTAL, 1ull << 32);
    Size(DLGM_CURRENTPOS, 1ull << 32);
    EXPECT_FALSE(model.Current().busy);
    EXPECT_EQ(model.Current().percent, 100);
    EXPECT_EQ(model.Current().text, "4,194,304 KB / 4,194,304 KB (100% completed)");
    EXPECT_TRUE(model.CurrentComplete());
    model.Apply(DLGM_CURRENTBUSY, 0, -1);  // the bar is reset, its count with it
    EXPECT_EQ(model.Current().text, "");

    model.Apply(DLGM_OVERALLRANGE, 0, 2);
    for (const char* expected : {"1 / 2", "2 / 2", "1 / 2"}) {
        model.Apply(DLGM_OVERALLSTEP, 0, 0);
        EXPECT_EQ(model.Overall().text, expected);
    }
    model.Apply(DLGM_OVERALLBUSY, 0, win::SW_HIDE);
    EXPECT_FALSE(model.Overall().shown);
    EXPECT_EQ(model.Overall().text, "");

    // No fresh measurement: nothing to redraw. Negative numbers arrive as 32 bits.
    EXPECT_TRUE(model.Apply(DLGM_RATETIME, 0, 3725).Has(kivui::kPartTime));
    EXPECT_FALSE(model.Apply(DLGM_RATETIME, 0, static_cast<std::uint32_t>(-1)).Any());
    model.Apply(DLGM_RATETIME, 0, static_cast<std::uint32_t>(-3));
    EXPECT_EQ(model.TimeText(), "Recalculating");
    model.Apply(DLGM_RATETIME, static_cast<std::uint32_t>(-2), static_cast<std::uint32_t>(-2));
    EXPECT_EQ(model.RateText(), "");
    EXPECT_EQ(model.TimeText(), "");
}

TEST_F(DownloadDialogModelTest, TheOverallBarCountsTheBytesOfFilesWithKnownSizes) {
    model.Apply(DLGM_OVERALLRANGE, 0, 3);
    EXPECT_EQ(model.Overall().percent, 0);
    Size(DLGM_RUNBYTES, 1000);  // 100 + unknown + 900
    NextFile("a", 100);
    Size(DLGM_CURRENTPOS, 50);
    EXPECT_EQ(model.Overall().percent, 5);  // counting files it would be a third
    EXPECT_EQ(model.Overall().text, "1 / 3");
    Size(DLGM_CURRENTPOS, 100);
    NextFile("b", 0);  // no size: no share of the bar
    Size(DLGM_CURRENTPOS, 5000);
    EXPECT_EQ(model.Overall().percent, 10);
    // A count of b posted before c was counted but served after it (sends
    // overtake posts) belongs to no bar.
    model.Apply(DLGM_OVERALLSTEP, 0, 0);
    EXPECT_FALSE(model.Apply(DLGM_CURRENTPOS, 5000, 0).Any());
    EXPECT_EQ(model.Current().text, "");
    Size(DLGM_CURRENTTOTAL, 900);
    Size(DLGM_CURRENTPOS, 450);
    EXPECT_EQ(model.Overall().percent, 55);
    EXPECT_EQ(model.RunBytesDone(), 550u);
    Size(DLGM_CURRENTPOS, 900);
    EXPECT_EQ(model.Overall().percent, 100);
    EXPECT_EQ(model.Overall().text, "3 / 3");

    // The verification counts its own bytes from nothing; without sizes it counts files.
    model.Apply(DLGM_OVERALLRANGE, 0, 2);
    EXPECT_EQ(model.Overall().percent, 0);
    NextFile("a", 100, 1);
    EXPECT_EQ(model.Overall().percent, 50);
}

TEST_F(DownloadDialogModelTest, RateAndTimeAreClearedWhenVerificationEnds) {
    model.Apply(DLGM_RATETIME, 10, 5);
    Size(DLGM_CURRENTTOTAL, 100);
    Size(DLGM_CURRENTPOS, 100);  // a download's end keeps its figures
    EXPECT_EQ(model.RateText(), "About 10KB/sec");

    model.Apply(DLGM_OVERALLRANGE, 0, 1);
    Size(DLGM_RUNBYTES, 200);
    NextFile("a", 200, 1);
    model.Apply(DLGM_RATETIME, 0, 3);
    Size(DLGM_CURRENTPOS, 100);
    EXPECT_EQ(model.TimeText(), "About  3 sec");
    const kivui::DialogChanges last = model.Apply(DLGM_CURRENTPOS, 200, 0);
    EXPECT_TRUE(last.Has(kivui::kPartRate) && last.Has(kivui::kPartTime));
    EXPECT_EQ(model.RateText(), "");
    EXPECT_EQ(model.TimeText(), "");
    // The hashing's last report may come after its last count: it is not shown.
    EXPECT_FALSE(model.Apply(DLGM_RATETIME, 0, 0).Any());
    EXPECT_EQ(model.TimeText(), "");

    // Without sizes, the status after verification ends it too.
    CDownloadDialogModel other;
    other.Apply(DLGM_STATUS, 1, Text("Verifying file."));
    other.Apply(DLGM_RATETIME, 0, 0);
    EXPECT_EQ(other.RateText(), "About 0KB/sec");
    other.Apply(DLGM_STATUS, 0, Text("Download of all files has been completed."));
    EXPECT_EQ(other.RateText(), "");
    EXPECT_EQ(other.TimeText(), "");
    EXPECT_FALSE(other.Apply(DLGM_RATETIME, 0, 0).Any());
}

}  // namespace
