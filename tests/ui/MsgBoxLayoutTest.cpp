// The message box's layout arithmetic: buttons by kind, the default button,
// the centred row with 6-pixel gaps and the text control's growth.
#include <gtest/gtest.h>

#include "control/ControlServices.h"
#include "ui/MsgBoxLayout.h"

namespace {

using namespace kivui;

TEST(MsgBoxLayoutTest, KindsGiveTheirButtonsAndCancelRule) {
    struct Row {
        unsigned flags;
        std::array<int, 3> codes;
        int shown;
        bool cancellable;
    };
    const Row rows[] = {
        {0, {IDOK, 0, 0}, 1, true},
        {1, {IDOK, IDCANCEL, 0}, 2, true},
        {2, {IDABORT, IDRETRY, IDIGNORE}, 3, false},
        {3, {IDYES, IDNO, IDCANCEL}, 3, true},
        {4 | MB_ICONSTOP, {IDYES, IDNO, 0}, 2, false},
        {5 | MB_DEFBUTTON3, {IDRETRY, IDCANCEL, 0}, 2, true},
        {6, {0, 0, 0}, 0, true},
        {0xF, {0, 0, 0}, 0, true},
    };
    for (const Row& row : rows) {
        const MsgBoxKind kind = KindOf(row.flags);
        EXPECT_EQ(kind.codes, row.codes) << row.flags;
        EXPECT_EQ(kind.shown, row.shown) << row.flags;
        EXPECT_EQ(kind.cancellable, row.cancellable) << row.flags;
    }
    // Icons: any value without its own icon warns.
    EXPECT_EQ(IconOf(MB_ICONINFORMATION), MsgBoxIcon::Information);
    EXPECT_EQ(IconOf(0x50), MsgBoxIcon::Warning);
    EXPECT_EQ(IconOf(0xF0), MsgBoxIcon::Warning);
}

TEST(MsgBoxLayoutTest, DefaultButtonNeedsEnoughButtons) {
    EXPECT_EQ(DefaultButtonIndex(MB_YESNO | 0x100, 2), 1);
    EXPECT_EQ(DefaultButtonIndex(MB_YESNOCANCEL | MB_DEFBUTTON3, 3), 2);
    EXPECT_EQ(DefaultButtonIndex(MB_YESNOCANCEL | 0x100, 3), 1);
    // Third button asked for with two: the second-button flag is not set, so b1.
    EXPECT_EQ(DefaultButtonIndex(MB_YESNO | MB_DEFBUTTON3, 2), 0);
    EXPECT_EQ(DefaultButtonIndex(MB_OK | 0x100, 1), 0);
    EXPECT_EQ(DefaultButtonIndex(MB_YESNOCANCEL | 0x300, 3), 2);
}

TEST(MsgBoxLayoutTest, RowIsCentredWithSixPixelGaps) {
    const std::array<int, 3> widths = {75, 75, 75};
    EXPECT_EQ(ButtonRowWidth(widths, 1), 75);
    EXPECT_EQ(ButtonRowWidth(widths, 2), 156);
    EXPECT_EQ(ButtonRowWidth(widths, 3), 237);
    // An undefined kind still measures b1.
    EXPECT_EQ(ButtonRowWidth(widths, 0), 75);

    EXPECT_EQ(ButtonCentreOffsets(widths, 1)[0], -37);
    const std::array<int, 3> two = ButtonCentreOffsets(widths, 2);
    EXPECT_EQ(two[0], -78);
    EXPECT_EQ(two[1], 3);
    const std::array<int, 3> three = ButtonCentreOffsets({60, 80, 71}, 3);
    EXPECT_EQ(three[0], -111);  // -(60 + 80 + 71 + 12) / 2, truncated toward zero
    EXPECT_EQ(three[1], three[0] + 60 + 6);
    EXPECT_EQ(three[2], three[0] + 60 + 80 + 12);
    EXPECT_EQ(ButtonCentreOffsets(widths, 0), (std::array<int, 3>{0, 0, 0}));
}

TEST(MsgBoxLayoutTest, TextControlGrowsToTextOrRow) {
    const Size control{47, 13};
    // A 100-pixel line with two 75-pixel buttons takes the row width.
    EXPECT_EQ(TextControlSize({100, 13}, control, 156), (Size{156, 13}));
    // Wider than the row: the text's width.
    EXPECT_EQ(TextControlSize({500, 13}, control, 156), (Size{500, 13}));
    // A wrapped text is taller than the template's line.
    EXPECT_EQ(TextControlSize({640, 91}, control, 156), (Size{640, 91}));
    // Narrower than both: the row, even when that is narrower than the template.
    EXPECT_EQ(TextControlSize({10, 5}, {200, 13}, 75), (Size{75, 13}));
    // Between row and template: unchanged.
    EXPECT_EQ(TextControlSize({100, 5}, {200, 13}, 75), (Size{200, 13}));
}

}  // namespace
