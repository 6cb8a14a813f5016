#include <gtest/gtest.h>

#include <vector>

#include "platform/Message.h"
#include "platform/Window.h"
#include "ui/DialogColours.h"
#include "ui/TextProgressCtrl.h"

namespace {

win::LPARAM MakeLParam(int low, int high) {
    return static_cast<win::LPARAM>((static_cast<win::DWORD>(high) << 16) |
                                    (static_cast<win::DWORD>(low) & 0xFFFF));
}

class TextProgressMessageTest : public ::testing::Test {
protected:
    void SetUp() override { CTextProgressCtrl::ResetMarqueeDirection(); }
    void TearDown() override { CTextProgressCtrl::ResetMarqueeDirection(); }
    win::LRESULT Send(win::UINT message, win::WPARAM wParam = 0, win::LPARAM lParam = 0) {
        return bar.HandleMessage(message, wParam, lParam);
    }
    std::vector<int> Ticks(CTextProgressCtrl& target, int count) {
        std::vector<int> positions;
        for (int i = 0; i < count; ++i) {
            target.HandleMessage(win::WM_TIMER, kMarqueeTimerId, 0);
            positions.push_back(target.GetPos());
        }
        return positions;
    }
    CTextProgressCtrl bar;
};

TEST_F(TextProgressMessageTest, RangeResultsPackTheOldRange) {
    EXPECT_EQ(Send(PBM_GETRANGE, 1), 0);
    EXPECT_EQ(Send(PBM_GETRANGE, 0), 100);
    EXPECT_EQ(Send(PBM_SETRANGE, 0, MakeLParam(5, 50)), 100 << 16);
    EXPECT_EQ(Send(PBM_SETRANGE32, static_cast<win::WPARAM>(-5), 300), (50 << 16) | 5);
    // Only the low 16 bits of a negative lower bound.
    EXPECT_EQ(Send(PBM_SETRANGE32, 0, 10), (300 << 16) | 0xFFFB);
    PBRANGE range;
    EXPECT_EQ(Send(PBM_GETRANGE, 0, reinterpret_cast<win::LPARAM>(&range)), 10);
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 10);
}

TEST_F(TextProgressMessageTest, PositionIsClampedAndReturnsTheOldOne) {
    EXPECT_EQ(Send(PBM_SETPOS, 40), 0);
    EXPECT_EQ(Send(PBM_DELTAPOS, 15), 40);
    EXPECT_EQ(Send(PBM_GETPOS), 55);
    Send(PBM_SETPOS, 500);
    EXPECT_EQ(bar.GetPos(), 100) << "normal style stops at the upper bound";
    Send(PBM_SETPOS, static_cast<win::WPARAM>(-7));
    EXPECT_EQ(bar.GetPos(), 0);
}

TEST_F(TextProgressMessageTest, StepWrapsAroundTheRange) {
    EXPECT_EQ(Send(PBM_SETSTEP, 1), 10);
    Send(PBM_SETPOS, 100);
    EXPECT_EQ(Send(PBM_STEPIT), 100);
    EXPECT_EQ(bar.GetPos(), 1) << "a step past the upper bound wraps to lower + 1";
    Send(PBM_SETSTEP, static_cast<win::WPARAM>(-5));
    Send(PBM_SETPOS, 2);
    Send(PBM_STEPIT);
    EXPECT_EQ(bar.GetPos(), 97);
}

TEST_F(TextProgressMessageTest, MarqueeStyleStaysAndLetsThePositionPassTheUpperBound) {
    Send(PBM_SETRANGE32, 0, 10);
    EXPECT_EQ(Send(TPM_SETMARQUEEWIDTH, 10), 10);
    EXPECT_EQ(Send(PBM_SETMARQUEE, 1, 50), 1);
    EXPECT_TRUE(bar.Style() & PBS_MARQUEE);
    EXPECT_TRUE(bar.IsTimerRunning());
    EXPECT_EQ(Send(TPM_SHOWPERCENT, 1), 0) << "busy mode switched the percentage off";
    EXPECT_EQ(Send(PBM_SETMARQUEE, 0, 0), 0);
    EXPECT_FALSE(bar.IsTimerRunning());
    EXPECT_TRUE(bar.Style() & PBS_MARQUEE) << "the style is never removed again";
    Send(PBM_SETPOS, 50);
    EXPECT_EQ(bar.GetPos(), 11);
}

TEST_F(TextProgressMessageTest, SweepTurnsAtTheBusyLimitAndTheLowerBound) {
    Send(PBM_SETRANGE32, 0, 10);
    Send(TPM_SETMARQUEEWIDTH, 10);
    Send(PBM_SETMARQUEE, 0, 0);
    const std::vector<int> expected{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 10,
                                    9, 8, 7, 6, 5, 4, 3, 2, 1, 0,  1,  2};
    EXPECT_EQ(Ticks(bar, static_cast<int>(expected.size())), expected);
    Send(win::WM_TIMER, 2);
    EXPECT_EQ(bar.GetPos(), 2) << "other timer ids are ignored";
}

TEST_F(TextProgressMessageTest, TwoBusyBarsShareOneDirection) {
    CTextProgressCtrl other;
    for (CTextProgressCtrl* each : {&bar, &other}) {
        each->HandleMessage(PBM_SETRANGE32, 0, 10);
        each->HandleMessage(TPM_SETMARQUEEWIDTH, 10, 0);
        each->HandleMessage(PBM_SETMARQUEE, 0, 0);
    }
    other.SetPos(5);
    bar.SetPos(11);
    Ticks(bar, 1);  // turns at its limit
    EXPECT_EQ(CTextProgressCtrl::MarqueeDirection(), -1);
    EXPECT_EQ(Ticks(other, 1), std::vector<int>{4}) << "the other bar now runs backwards too";
}

TEST_F(TextProgressMessageTest, ColoursResolveTheDefaultMarkerOnEveryRead) {
    EXPECT_EQ(static_cast<COLORREF>(Send(TPM_GETBARCOLOR)), kivui::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(static_cast<COLORREF>(Send(TPM_GETBKCOLOR)), kivui::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(static_cast<COLORREF>(Send(TPM_GETTEXTCOLOR)), kivui::GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(static_cast<COLORREF>(Send(TPM_GETTEXTBKCOLOR)), kivui::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(static_cast<COLORREF>(Send(PBM_SETBARCOLOR, 0, RGB(1, 2, 3))), CLR_DEFAULT);
    EXPECT_EQ(static_cast<COLORREF>(Send(TPM_GETBARCOLOR)), RGB(1, 2, 3));
    EXPECT_EQ(static_cast<COLORREF>(Send(PBM_SETBARCOLOR, 0, CLR_DEFAULT)), RGB(1, 2, 3));
    EXPECT_EQ(static_cast<COLORREF>(Send(TPM_GETBARCOLOR)), kivui::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(static_cast<COLORREF>(Send(TPM_SETTEXTCOLOR, 0, RGB(9, 9, 9))), CLR_DEFAULT);
    EXPECT_EQ(static_cast<COLORREF>(Send(TPM_SETTEXTBKCOLOR, 0, RGB(8, 8, 8))), CLR_DEFAULT);
    EXPECT_EQ(static_cast<COLORREF>(Send(PBM_SETBKCOLOR, 0, RGB(7, 7, 7))), CLR_DEFAULT);
    EXPECT_EQ(static_cast<COLORREF>(Send(TPM_GETBKCOLOR)), RGB(7, 7, 7));
}

TEST_F(TextProgressMessageTest, SettersReturnTheirOldValuesAndEraseIsReportedDone) {
    EXPECT_EQ(Send(TPM_SHOWPERCENT, 0), 1);
    EXPECT_EQ(Send(TPM_SHOWPERCENT, 1), 0);
    EXPECT_EQ(Send(TPM_SETTEXTALIGN, 2), 1);
    EXPECT_EQ(Send(TPM_SETTEXTALIGN, 0), 2);
    EXPECT_EQ(Send(WM_ERASEBKGND), 1);
    EXPECT_EQ(Send(WM_USER + 500), 0);
}

TEST_F(TextProgressMessageTest, TheWindowHandleReachesTheBar) {
    const win::HWND parent =
        win::CreateWindow([](win::HWND h, win::UINT m, win::WPARAM w,
                             win::LPARAM l) { return win::DefWindowProc(h, m, w, l); },
                          "", 0);
    ASSERT_NE(parent, nullptr);
    const win::HWND hwnd = bar.CreateWindowHandle(parent);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(win::SendMessage(hwnd, PBM_SETPOS, 30, 0), 0);
    EXPECT_EQ(win::SendMessage(hwnd, PBM_GETPOS, 0, 0), 30);
    EXPECT_TRUE(win::SetWindowText(hwnd, "1 / 3"));
    EXPECT_EQ(bar.Text(), "1 / 3");
    bar.SetText("2 / 3");
    EXPECT_EQ(win::GetWindowTextString(hwnd), "2 / 3");
    win::DestroyWindow(parent);
    EXPECT_EQ(bar.Hwnd(), nullptr) << "the parent took the bar's window with it";
}

}  // namespace
