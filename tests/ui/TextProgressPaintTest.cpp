#include <gtest/gtest.h>

#include <QPainter>
#include <cstdlib>

#include "tests/ui/UiTestSupport.h"
#include "ui/DialogFont.h"
#include "ui/TextProgressCtrl.h"

namespace {

using uitest::At;
using uitest::Grab;
using uitest::InkBox;

constexpr COLORREF kBar = RGB(0, 0, 255);
constexpr COLORREF kBack = RGB(255, 255, 255);
constexpr COLORREF kText = RGB(255, 0, 0);
constexpr COLORREF kTextOnBar = RGB(255, 255, 0);

class TextProgressPaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar.setFont(kivui::DialogFont("MS Shell Dlg", 8));
        bar.resize(200, 20);
        bar.HandleMessage(PBM_SETBARCOLOR, 0, kBar);
        bar.HandleMessage(PBM_SETBKCOLOR, 0, kBack);
        bar.HandleMessage(TPM_SETTEXTCOLOR, 0, kText);
        bar.HandleMessage(TPM_SETTEXTBKCOLOR, 0, kTextOnBar);
    }
    void BusyBar(int blockWidth) {
        bar.HandleMessage(PBM_SETRANGE32, 0, 10);
        bar.HandleMessage(TPM_SETMARQUEEWIDTH, static_cast<win::WPARAM>(blockWidth), 0);
        bar.HandleMessage(PBM_SETMARQUEE, 0, 0);
    }
    // Columns [from, to) of row `y` all have `colour`.
    static bool Row(const QImage& image, int y, int from, int to, COLORREF colour) {
        for (int x = from; x < to; ++x) {
            if (At(image, x, y) != colour) return false;
        }
        return true;
    }
    CTextProgressCtrl bar;
};

TEST_F(TextProgressPaintTest, HalfwayTheFillAndTheTextChangeColourAtPixel100) {
    bar.SetPos(50);  // show percent is on: the text is "50%", centred
    const QImage image = Grab(bar);
    EXPECT_TRUE(Row(image, 0, 0, 100, kBar));
    EXPECT_TRUE(Row(image, 0, 100, 200, kBack));
    // Text pixels blend the text colour with its own fill only: yellow over
    // blue keeps red equal to green, red over white keeps red at 255.
    bool yellowInk = false, redInk = false;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 200; ++x) {
            const COLORREF c = At(image, x, y);
            if (x < 100) {
                ASSERT_LE(std::abs(GetRValue(c) - GetGValue(c)), 2) << x << "," << y;
                yellowInk |= GetBValue(c) < 128;
            } else {
                ASSERT_EQ(GetRValue(c), 255) << x << "," << y;
                redInk |= GetGValue(c) < 128;
            }
        }
    }
    EXPECT_TRUE(yellowInk) << "text over the bar";
    EXPECT_TRUE(redInk) << "text over the unfilled part";
}

TEST_F(TextProgressPaintTest, NoTextLeavesOnlyTheFills) {
    bar.HandleMessage(TPM_SHOWPERCENT, 0, 0);
    bar.SetPos(25);
    const QImage image = Grab(bar);
    for (int y = 0; y < 20; ++y) {
        ASSERT_TRUE(Row(image, y, 0, 50, kBar)) << y;
        ASSERT_TRUE(Row(image, y, 50, 200, kBack)) << y;
    }
}

TEST_F(TextProgressPaintTest, BusyBlockEndsAtThePositionAndLeavesAtEleven) {
    BusyBar(10);
    bar.SetPos(5);
    QImage image = Grab(bar);
    EXPECT_TRUE(Row(image, 10, 0, 80, kBack));
    EXPECT_TRUE(Row(image, 10, 80, 100, kBar)) << "a block of 10% ending at the position";
    EXPECT_TRUE(Row(image, 10, 100, 200, kBack));

    bar.SetPos(1);
    image = Grab(bar);
    EXPECT_TRUE(Row(image, 10, 0, 20, kBar));
    EXPECT_TRUE(Row(image, 10, 20, 200, kBack));

    bar.SetPos(11);
    EXPECT_TRUE(Row(Grab(bar), 10, 0, 200, kBack)) << "the block has left the right edge";
}

TEST_F(TextProgressPaintTest, FullWidthBlockLooksLikeAnOrdinaryBar) {
    BusyBar(100);
    bar.SetPos(5);
    const QImage image = Grab(bar);
    EXPECT_TRUE(Row(image, 10, 0, 100, kBar));
    EXPECT_TRUE(Row(image, 10, 100, 200, kBack));
}

TEST_F(TextProgressPaintTest, VerticalBarFillsFromTheBottomWithTurnedText) {
    bar.SetStyle(PBS_VERTICAL);
    bar.resize(24, 200);
    bar.SetText("VERTICAL TEXT");
    bar.HandleMessage(TPM_SHOWPERCENT, 0, 0);
    bar.SetPos(25);
    QImage image = Grab(bar);
    EXPECT_EQ(At(image, 0, 150), kBar);
    EXPECT_EQ(At(image, 0, 149), kBack);
    EXPECT_EQ(At(image, 23, 199), kBar);

    bar.SetPos(0);
    image = Grab(bar);
    const QRect ink = InkBox(image, image.rect(), kBack);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GT(ink.height(), 3 * ink.width()) << "the text reads upward";
}

TEST_F(TextProgressPaintTest, AlignmentPlacesTheText) {
    bar.HandleMessage(TPM_SHOWPERCENT, 0, 0);
    bar.SetText("III");
    bar.HandleMessage(TPM_SETTEXTALIGN, 0, 0);
    QRect ink = InkBox(Grab(bar), QRect(0, 0, 200, 20), kBack);
    EXPECT_GE(ink.left(), 2);
    EXPECT_LE(ink.left(), 5);
    bar.HandleMessage(TPM_SETTEXTALIGN, 2, 0);
    ink = InkBox(Grab(bar), QRect(0, 0, 200, 20), kBack);
    EXPECT_LE(ink.right(), 200 - 3);
    EXPECT_GE(ink.right(), 200 - 7);
}

TEST_F(TextProgressPaintTest, AnEmptyRangePaintsNothing) {
    bar.SetRange(10, 10);
    QImage image(200, 20, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    bar.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    EXPECT_EQ(At(image, 0, 0), RGB(255, 0, 255));
    EXPECT_EQ(At(image, 199, 19), RGB(255, 0, 255));
}

TEST_F(TextProgressPaintTest, BorderSitsOutsideTheClientArea) {
    bar.SetBordered(true);
    bar.resize(202, 22);
    bar.HandleMessage(TPM_SHOWPERCENT, 0, 0);
    bar.SetPos(50);
    const QImage image = Grab(bar);
    EXPECT_EQ(At(image, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(At(image, 201, 21), RGB(0, 0, 0));
    EXPECT_TRUE(Row(image, 5, 1, 101, kBar));
    EXPECT_TRUE(Row(image, 5, 101, 201, kBack));
}

}  // namespace
