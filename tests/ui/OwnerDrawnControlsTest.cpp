#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QMouseEvent>
#include <string>
#include <vector>

#include "control/ControlServices.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ColorButton.h"
#include "ui/DialogFont.h"
#include "ui/LinkStatic.h"

using kivcontrol::ILauncher;

namespace {

using uitest::At;
using uitest::Grab;
using uitest::InkBox;

class RecordingLauncher : public ILauncher {
public:
    bool Launch(const std::vector<std::string>& argv) override {
        launches.push_back(argv);
        return false;  // a failed start must stay silent
    }
    std::vector<std::vector<std::string>> launches;
};

void Click(QWidget& widget) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), widget.mapToGlobal(QPointF(2, 2)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2),
                        widget.mapToGlobal(QPointF(2, 2)), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &release);
}

// Whether some pixel is close to `colour` (text is anti-aliased).
bool HasPixelNear(const QImage& image, COLORREF colour) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const COLORREF c = At(image, x, y);
            if (std::abs(GetRValue(c) - GetRValue(colour)) < 40 &&
                std::abs(GetGValue(c) - GetGValue(colour)) < 40 &&
                std::abs(GetBValue(c) - GetBValue(colour)) < 40) {
                return true;
            }
        }
    }
    return false;
}

class LinkStaticTest : public ::testing::Test {
protected:
    LinkStaticTest() : link(nullptr, &launcher) {
        link.setFont(kivui::DialogFont("MS Shell Dlg", 8));
        link.setText("About Kiv Downloader");
        link.resize(160, 16);
        link.SetColours(RGB(0, 0, 224), RGB(224, 0, 0));
    }
    void Hover(bool inside) {
        if (inside) {
            QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
            QCoreApplication::sendEvent(&link, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(&link, &leave);
        }
    }
    RecordingLauncher launcher;
    CLinkStatic link;
};

TEST_F(LinkStaticTest, LooksLikeALinkAndTakesTheHoverColourWhileHovered) {
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(link.font().underline());
    EXPECT_TRUE(HasPixelNear(Grab(link), RGB(0, 0, 224)));
    EXPECT_FALSE(HasPixelNear(Grab(link), RGB(224, 0, 0)));
    Hover(true);
    EXPECT_TRUE(link.IsHovering());
    EXPECT_TRUE(HasPixelNear(Grab(link), RGB(224, 0, 0)));
    EXPECT_FALSE(HasPixelNear(Grab(link), RGB(0, 0, 224)));
    Hover(false);
    EXPECT_TRUE(HasPixelNear(Grab(link), RGB(0, 0, 224)));
    // The standalone link paints the button face behind its text.
    EXPECT_EQ(At(Grab(link), 159, 0), kivui::GetSysColor(COLOR_BTNFACE));
}

TEST_F(LinkStaticTest, AFontGivenLaterIsUnderlinedToo) {
    link.setFont(kivui::DialogFont("MS UI Gothic", 9));
    EXPECT_TRUE(link.font().underline());
}

TEST_F(LinkStaticTest, ClickOpensTheTargetThroughTheDesktopOrTheBrowser) {
    link.SetLinkTarget("https://example.invalid/help");
    Click(link);
    link.SetOpenThroughBrowser(true);
    Click(link);
    link.SetLinkTarget("");
    Click(link);
    const std::vector<std::vector<std::string>> expected{
        {"xdg-open", "https://example.invalid/help"},
        {"sensible-browser", "https://example.invalid/help"},
        {"sensible-browser", ""},  // an empty target still reaches the opener
    };
    EXPECT_EQ(launcher.launches, expected);
}

class ColorButtonTest : public ::testing::Test {
protected:
    ColorButtonTest() : button("Cancel", nullptr) {
        button.setFont(kivui::DialogFont("MS Shell Dlg", 8));
        button.resize(95, 25);
        button.SetFaceColour(RGB(243, 243, 243));
        button.SetPressedFaceColour(RGB(200, 220, 240));
    }
    CColorButton button;
};

TEST_F(ColorButtonTest, RaisedFaceWithLightTopLeftAndDarkBottomRight) {
    const QImage image = Grab(button);
    EXPECT_EQ(At(image, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(At(image, 0, 23), RGB(255, 255, 255));
    EXPECT_EQ(At(image, 94, 0), RGB(128, 128, 128));
    EXPECT_EQ(At(image, 94, 24), RGB(128, 128, 128));
    EXPECT_EQ(At(image, 2, 2), RGB(243, 243, 243));
    EXPECT_EQ(button.LastDrawnRect(), QRect(0, 0, 95, 25));
}

TEST_F(ColorButtonTest, PressedFaceIsSunkenAndItsTextMovesOnePixel) {
    const QRect inside(2, 2, 91, 21);
    const QRect up = InkBox(Grab(button), inside, RGB(243, 243, 243));
    button.setDown(true);
    const QImage image = Grab(button);
    EXPECT_EQ(At(image, 0, 0), RGB(128, 128, 128));
    EXPECT_EQ(At(image, 94, 24), RGB(255, 255, 255));
    EXPECT_EQ(At(image, 2, 2), RGB(200, 220, 240));
    const QRect down = InkBox(image, inside, RGB(200, 220, 240));
    ASSERT_FALSE(up.isEmpty());
    EXPECT_EQ(down, up.translated(1, 1));
}

TEST_F(ColorButtonTest, DisabledTextIsGrayed) {
    const QRect inside(2, 2, 91, 21);
    const auto darkest = [&](const QImage& image) {
        int value = 255;
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            for (int x = inside.left(); x <= inside.right(); ++x) {
                value = std::min(value, GetGValue(At(image, x, y)));
            }
        }
        return value;
    };
    EXPECT_LT(darkest(Grab(button)), 40) << "enabled text is black";
    button.setEnabled(false);
    const QImage image = Grab(button);
    EXPECT_GE(darkest(image), 150) << "grayed text is never darker than the shadow colour";
    EXPECT_TRUE(HasPixelNear(image, RGB(160, 160, 160)));
}

TEST_F(ColorButtonTest, FocusRectangleOnlyWhenWantedAndFocused) {
    QWidget window;
    button.setParent(&window);
    struct GiveBack {
        CColorButton& button;
        ~GiveBack() { button.setParent(nullptr); }  // the fixture owns it
    } giveBack{button};
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    button.setFocus();
    ASSERT_TRUE(uitest::ProcessEventsUntil([&] { return button.hasFocus(); }));
    const auto ringInk = [&] {
        const QImage image = Grab(button);
        int inked = 0;
        for (int x = 4; x <= 90; ++x) inked += At(image, x, 4) != RGB(243, 243, 243);
        return inked;
    };
    EXPECT_GT(ringInk(), 20);
    button.SetDrawFocusRect(false);
    EXPECT_EQ(ringInk(), 0);
}

}  // namespace
