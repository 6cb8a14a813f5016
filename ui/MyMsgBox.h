#pragma once
// The program's own modal message box: the platform's vocabulary (text,
// caption, button-kind and icon flags, result codes), laid out from template
// 246, grown to its text (wrapped at 640 pixels) with the buttons centred in
// one row, button texts from the string table, and dismissable from outside
// with MBM_DISMISS (result -1).
#include <QDialog>
#include <array>
#include <memory>
#include <string>

#include "platform/WindowTypes.h"
#include "ui/AutoResize.h"
#include "ui/MsgBoxLayout.h"

class CButtonEx;
class CWidgetWindow;
class QLabel;

namespace kivui {
class CMessageText;
}

class CMyMsgBox : public QDialog {
    Q_OBJECT
public:
    // Whether the box is a window of the window layer itself (shown by the
    // thread that asks), or shown on another thread's behalf, whose proxy
    // window stands in for it.
    enum class Handle { Own, None };

    // An empty caption becomes the application name. `ownerWindow` is the
    // owner of the box's window (may be null).
    CMyMsgBox(const std::string& text, const std::string& caption, unsigned flags,
              QWidget* owner = nullptr, win::HWND ownerWindow = nullptr,
              Handle handle = Handle::Own);
    ~CMyMsgBox() override;

    // Lays the box out (once) and runs it modally: the code of the button
    // pressed, 2 for Esc/Alt+F4/Close on a cancellable box, -1 when dismissed.
    int DoModal();
    // The initialisation alone (title, icon, beep, buttons, size); DoModal calls it.
    void InitDialog();

    win::HWND Hwnd() const;
    bool IsCancellable() const { return kind_.cancellable; }
    bool IsCloseEnabled() const { return closeEnabled_; }
    kivui::MsgBoxIcon IconKind() const { return icon_; }
    CButtonEx* Button(int index) const { return buttons_[static_cast<std::size_t>(index)]; }
    QLabel* IconControl() const { return iconLabel_; }
    kivui::CMessageText* TextControl() const { return text_; }
    // The text control's and the box's size as the template gives them.
    QSize TemplateTextSize() const { return templateTextRect_.size(); }
    QSize TemplateClientSize() const { return templateClient_; }

    // MBM_DISMISS: ends the box with -1.
    void Dismiss();

public slots:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildFromTemplate();
    void SetUpIcon();
    void SetUpButtons();
    void GrowToText();
    void PlaceButtons(const std::array<int, 3>& widths);
    std::array<int, 3> ButtonWidths() const;

    std::string textBytes_;
    std::string caption_;
    unsigned flags_;
    win::HWND ownerWindow_;
    Handle handle_;
    kivui::MsgBoxKind kind_;
    kivui::MsgBoxIcon icon_ = kivui::MsgBoxIcon::Warning;
    bool initialised_ = false;
    bool closeEnabled_ = true;
    bool dismissed_ = false;  // MBM_DISMISS came before the box ran

    QLabel* iconLabel_ = nullptr;
    kivui::CMessageText* text_ = nullptr;
    std::array<CButtonEx*, 3> buttons_{};
    std::array<QRect, 3> templateButtonRects_{};
    QRect templateTextRect_;
    QSize templateClient_;
    KIVTOOLCommon::CAutoResize layout_;
    std::unique_ptr<CWidgetWindow> window_;
};
