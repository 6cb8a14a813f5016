// The message box as a widget: buttons and their texts, the default button,
// growth to the text, the centred row, the cancel keys and MBM_DISMISS.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include "control/ControlServices.h"
#include "platform/Language.h"
#include "platform/Message.h"
#include "platform/Window.h"
#include "resources/StringTable.h"
#include "tests/ui/DialogTestSupport.h"
#include "transfer/ControlMessages.h"
#include "ui/ButtonEx.h"
#include "ui/MessageText.h"
#include "ui/MyMsgBox.h"
#include "ui/QtText.h"

namespace {

using kivui::MsgBoxIcon;

class MyMsgBoxTest : public ::testing::Test {
protected:
    MyMsgBoxTest() { win::OverrideLanguage(win::Language::English); }
    ~MyMsgBoxTest() override { win::ResetLanguage(); }

    static void Press(QWidget& target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&target, &press);
    }
    // Shown without running, so keys and clicks can be checked one by one.
    static void Open(CMyMsgBox& box) {
        box.InitDialog();
        box.show();
    }
};

TEST_F(MyMsgBoxTest, ButtonExTakesTextAndCodeOnlyForDefinedCodes) {
    CButtonEx button;
    button.setText("Button1");
    for (int code = 1; code <= 7; ++code) {
        button.SetKind(code);
        EXPECT_EQ(button.Code(), code);
        EXPECT_EQ(button.text(), kivui::LoadQString(109 + static_cast<unsigned>(code)));
    }
    EXPECT_EQ(button.text(), "&No");
    button.SetKind(0);
    button.SetKind(8);
    EXPECT_EQ(button.Code(), 7);
    EXPECT_EQ(button.text(), "&No");
}

TEST_F(MyMsgBoxTest, YesNoWithSecondDefaultCannotBeCancelled) {
    CMyMsgBox box("Cancel file download?", "Kiv Downloader", MB_YESNO | 0x100 | MB_ICONQUESTION);
    Open(box);
    EXPECT_EQ(box.Button(0)->text(), "&Yes");
    EXPECT_EQ(box.Button(1)->text(), "&No");
    EXPECT_FALSE(box.Button(2)->isVisible());
    EXPECT_TRUE(box.Button(1)->isDefault());
    EXPECT_FALSE(box.Button(0)->isDefault());
    EXPECT_EQ(box.focusWidget(), box.Button(1));
    EXPECT_EQ(box.IconKind(), MsgBoxIcon::Question);
    EXPECT_FALSE(box.IsCloseEnabled());

    Press(box, Qt::Key_Escape);
    Press(box, Qt::Key_F4, Qt::AltModifier);
    EXPECT_FALSE(box.close());
    EXPECT_TRUE(box.isVisible());

    box.Button(1)->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), IDNO);
}

TEST_F(MyMsgBoxTest, OkBoxWithoutIconWarnsAndEscapeGivesCancel) {
    CMyMsgBox box("Done.", "", MB_OK);
    Open(box);
    EXPECT_EQ(box.windowTitle(), "Kiv Downloader");  // the application name
    EXPECT_EQ(box.IconKind(), MsgBoxIcon::Warning);
    ASSERT_FALSE(box.IconControl()->pixmap().isNull());
    EXPECT_TRUE(box.IsCloseEnabled());
    EXPECT_FALSE(box.Button(1)->isVisible());
    const QRect ok = box.Button(0)->geometry();
    EXPECT_EQ(ok.x(), box.width() / 2 - ok.width() / 2);

    Press(box, Qt::Key_Escape);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), IDCANCEL);
}

TEST_F(MyMsgBoxTest, CloseAndAltF4EndCancellableBoxesWithCancel) {
    CMyMsgBox closed("Retry?", "T", MB_RETRYCANCEL);
    Open(closed);
    EXPECT_TRUE(closed.close());
    EXPECT_EQ(closed.result(), IDCANCEL);

    CMyMsgBox altF4("Abort?", "T", MB_ABORTRETRYIGNORE | MB_ICONSTOP);
    Open(altF4);
    EXPECT_EQ(altF4.IconKind(), MsgBoxIcon::Stop);
    Press(altF4, Qt::Key_F4, Qt::AltModifier);
    EXPECT_TRUE(altF4.isVisible());
    altF4.Button(2)->click();
    EXPECT_EQ(altF4.result(), IDIGNORE);
}

TEST_F(MyMsgBoxTest, ThreeButtonsSitCentredWithSixPixelGapsAtTheTemplateBottom) {
    CMyMsgBox box("A question with three answers that is somewhat longer than the row.", "T",
                  MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_ICONINFORMATION);
    const int templateBottomGap =
        box.TemplateClientSize().height() - box.Button(0)->y() - box.Button(0)->height();
    Open(box);
    EXPECT_TRUE(box.Button(2)->isDefault());
    const QRect b1 = box.Button(0)->geometry();
    const QRect b2 = box.Button(1)->geometry();
    const QRect b3 = box.Button(2)->geometry();
    EXPECT_EQ(b2.left() - (b1.left() + b1.width()), 6);
    EXPECT_EQ(b3.left() - (b2.left() + b2.width()), 6);
    const int row = b1.width() + b2.width() + b3.width() + 12;
    EXPECT_EQ(b1.left(), box.width() / 2 - row / 2);
    for (const QRect& button : {b1, b2, b3}) {
        EXPECT_EQ(box.height() - (button.top() + button.height()), templateBottomGap);
    }
}

TEST_F(MyMsgBoxTest, ShortTextTakesTheRowWidth) {
    CMyMsgBox box("Hi", "T", MB_OKCANCEL);
    const QSize templateText = box.TemplateTextSize();
    Open(box);
    const int row = box.Button(0)->width() + 6 + box.Button(1)->width();
    ASSERT_LT(box.TextControl()->MeasureText(640).width(), row);
    EXPECT_EQ(box.TextControl()->width(), row);
    EXPECT_EQ(box.TextControl()->pos(), box.TextControl()->geometry().topLeft());
    EXPECT_EQ(box.width(), box.TemplateClientSize().width() + row - templateText.width());
    EXPECT_EQ(box.height(), box.TemplateClientSize().height());
}

TEST_F(MyMsgBoxTest, LongLineWrapsAt640PixelsAndTheBoxGrowsDown) {
    std::string text;
    while (QFontMetrics(CMyMsgBox("", "T", MB_OK).TextControl()->font())
               .horizontalAdvance(QString::fromStdString(text)) < 900) {
        text += "verification ";
    }
    CMyMsgBox box(text, "T", MB_OK);
    const QSize templateText = box.TemplateTextSize();
    Open(box);
    const QSize extent = box.TextControl()->size();
    EXPECT_LE(extent.width(), 640);
    EXPECT_GT(extent.width(), 500);
    EXPECT_GE(extent.height(), 2 * QFontMetrics(box.TextControl()->font()).height());
    EXPECT_EQ(box.height(),
              box.TemplateClientSize().height() + extent.height() - templateText.height());
    EXPECT_EQ(box.width(),
              box.TemplateClientSize().width() + extent.width() - templateText.width());
}

TEST_F(MyMsgBoxTest, UnbrokenTextIsBrokenRatherThanCutOff) {
    const std::string path = "Z:\\" + std::string(300, 'x') + "\\archive.zip";
    CMyMsgBox box(path, "T", MB_OK);
    Open(box);
    EXPECT_LE(box.TextControl()->width(), 640);
    const QRect drawn =
        QFontMetrics(box.TextControl()->font())
            .boundingRect(QRect(QPoint(), box.TextControl()->size()),
                          box.TextControl()->TextFlags(), box.TextControl()->Text());
    EXPECT_LE(drawn.width(), box.TextControl()->width());
    EXPECT_LE(drawn.height(), box.TextControl()->height());
}

TEST_F(MyMsgBoxTest, UndefinedKindKeepsTheTemplateButtons) {
    CMyMsgBox box("Odd", "T", 7);
    const QRect firstBefore = box.Button(0)->geometry();
    Open(box);
    EXPECT_EQ(box.Button(0)->text(), "Button1");
    EXPECT_EQ(box.Button(2)->text(), "Button3");
    EXPECT_EQ(box.Button(0)->Code(), 0);
    EXPECT_EQ(box.Button(0)->geometry().topLeft(), firstBefore.topLeft());
}

TEST_F(MyMsgBoxTest, DismissEndsTheRunningBoxWithMinusOne) {
    CMyMsgBox box("Resume?", "Kiv Downloader", MB_YESNO);
    ASSERT_NE(box.Hwnd(), nullptr);
    uitest::ModalWatch watch([&](QWidget* modal) {
        EXPECT_EQ(modal, &box);
        EXPECT_EQ(win::GetWindowTextString(box.Hwnd()), "Kiv Downloader");
        EXPECT_EQ(win::SendMessage(box.Hwnd(), MBM_DISMISS, 0, 0), 0);
    });
    EXPECT_EQ(box.DoModal(), IDDISMISSED);
}

TEST_F(MyMsgBoxTest, DismissBeforeTheBoxRunsStillEndsIt) {
    CMyMsgBox box("Resume?", "Kiv Downloader", MB_YESNO);
    win::SendMessage(box.Hwnd(), MBM_DISMISS, 0, 0);
    EXPECT_EQ(box.DoModal(), IDDISMISSED);
}

TEST_F(MyMsgBoxTest, ClickedButtonEndsTheRunningBoxWithItsCode) {
    CMyMsgBox box("Resume?", "T", MB_YESNOCANCEL);
    uitest::ModalWatch watch([&](QWidget*) { box.Button(0)->click(); });
    EXPECT_EQ(box.DoModal(), IDYES);
}

}  // namespace
