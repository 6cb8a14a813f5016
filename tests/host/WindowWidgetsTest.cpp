// The window's widgets: the object's place in the page with the dialog over
// it, and the leave question.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <optional>

#include "frontends/window/WindowDialogFactory.h"
#include "frontends/window/WindowFrame.h"
#include "frontends/window/WindowLeaveQuestion.h"
#include "frontends/window/WindowPageView.h"
#include "platform/Language.h"
#include "platform/Window.h"
#include "ui/KivDownloadControllerDlg.h"
#include "ui/QtThreadDispatcher.h"

using kivcontrol::IDownloadDialog;

namespace {

void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

TEST(WindowPageViewTest, TheDialogIsTakenInAndCoversTheObjectAtEverySize) {
    win::OverrideLanguage(win::Language::English);
    CQtThreadDispatcher dispatcher;
    CWindowFrame frame("Page", QSize(300, 100));
    CWindowPageView& view = frame.PageView();
    frame.show();
    Settle();
    // The page's body and the object's area, white before the dialog is there.
    const QImage empty = frame.grab().toImage();
    EXPECT_EQ(empty.pixelColor(1, 1), QColor(Qt::white));
    EXPECT_EQ(empty.pixelColor(CWindowFrame::kBodyMargin + 150, CWindowFrame::kBodyMargin + 50),
              QColor(Qt::white));

    // The control's window has no widget: the dialog would be a window of its own.
    const win::HWND control =
        win::CreateWindow(win::DefWindowProc, "", win::WS_VISIBLE | win::WS_CHILD, view.Hwnd());
    CWindowDialogFactory factory(view, nullptr);
    std::unique_ptr<IDownloadDialog> dialog = factory.CreateDownloadDialog(control);
    ASSERT_NE(dialog, nullptr);
    QWidget* widget = view.Dialog();
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(view.DialogWindow(), dialog->Window());
    EXPECT_EQ(widget->parentWidget(), &view);
    EXPECT_EQ(widget->geometry(), QRect(0, 0, 300, 100));
    EXPECT_FALSE(widget->isVisible());  // the control shows it, nobody before
    win::ShowWindow(dialog->Window(), win::SW_SHOW);
    EXPECT_TRUE(widget->isVisible());
    view.setFixedSize(420, 180);
    Settle();
    EXPECT_EQ(widget->geometry(), QRect(0, 0, 420, 180));

    dialog.reset();
    Settle();
    EXPECT_EQ(view.DialogWindow(), nullptr);
    win::DestroyWindow(control);
    // An object the page gives no size is as big as the dialog's template.
    CKivDownloadControllerDlg standalone(nullptr, nullptr);
    EXPECT_EQ(CWindowPageView::DefaultObjectSize(), standalone.size());
    win::ResetLanguage();
}

TEST(WindowLeaveQuestionTest, AsksWithTheControlsTextStaysByDefaultAndAnswersOnce) {
    QWidget window;
    window.show();
    CWindowLeaveQuestion question;
    std::vector<bool> answers;
    auto open = [&] {
        ASSERT_TRUE(question.Open(&window, "You have attempted to leave.",
                                  [&](bool leave) { answers.push_back(leave); }));
        Settle();
    };
    auto button = [&](const QString& text) -> QAbstractButton* {
        for (QAbstractButton* candidate : question.Box()->buttons()) {
            if (candidate->text() == text) return candidate;
        }
        return nullptr;
    };
    open();
    ASSERT_TRUE(question.IsOpen());
    EXPECT_TRUE(question.Box()->isVisible());
    EXPECT_EQ(question.Box()->windowTitle(), "Kiv Downloader");
    EXPECT_TRUE(question.Box()->text().contains("You have attempted to leave."));
    ASSERT_NE(button("Leave"), nullptr);
    EXPECT_EQ(question.Box()->defaultButton(), button("Stay"));
    EXPECT_FALSE(question.Open(&window, "second", {}));  // one at a time
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(question.Box(), &escape);
    Settle();
    EXPECT_FALSE(question.IsOpen());

    open();
    button("Leave")->click();
    Settle();
    EXPECT_EQ(answers, (std::vector<bool>{false, true}));
    EXPECT_FALSE(question.IsOpen());
}

}  // namespace
