#include "ui/MyMsgBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>

#include "control/ControlServices.h"
#include "transfer/ControlMessages.h"
#include "ui/ButtonEx.h"
#include "ui/DialogFont.h"
#include "ui/DialogTemplates.h"
#include "ui/DialogUnits.h"
#include "ui/MessageText.h"
#include "ui/QtText.h"
#include "ui/WidgetWindow.h"

using namespace kivui;

namespace {

constexpr int kIconPixels = 32;  // the platform's large icon
constexpr std::array<int, 3> kButtonIds = {IDC_MSGBOX_BUTTON1, IDC_MSGBOX_BUTTON2,
                                           IDC_MSGBOX_BUTTON3};

QStyle::StandardPixmap PixmapFor(MsgBoxIcon icon) {
    switch (icon) {
        case MsgBoxIcon::Stop:
            return QStyle::SP_MessageBoxCritical;
        case MsgBoxIcon::Question:
            return QStyle::SP_MessageBoxQuestion;
        case MsgBoxIcon::Information:
            return QStyle::SP_MessageBoxInformation;
        case MsgBoxIcon::Warning:
            break;
    }
    return QStyle::SP_MessageBoxWarning;
}

const DialogTemplate& MessageBoxTemplate() {
    const DialogTemplate* found = LoadDialogTemplate(IDD_MSGBOX, win::UserLanguage());
    if (found == nullptr) {
        found = LoadDialogTemplate(IDD_MSGBOX, win::Language::English);
    }
    return *found;
}

}  // namespace

CMyMsgBox::CMyMsgBox(const std::string& text, const std::string& caption, unsigned flags,
                     QWidget* owner, win::HWND ownerWindow, Handle handle)
    : QDialog(owner),
      textBytes_(text),
      caption_(caption),
      flags_(flags),
      ownerWindow_(ownerWindow),
      handle_(handle),
      kind_(KindOf(flags)) {
    setModal(true);
    BuildFromTemplate();
    if (handle_ == Handle::Own) {
        window_ = std::make_unique<CWidgetWindow>(this, ownerWindow_);
        window_->SetHandler(
            [this](win::UINT message, win::WPARAM, win::LPARAM) -> std::optional<win::LRESULT> {
                if (message == MBM_DISMISS) {
                    Dismiss();
                    return 0;
                }
                return std::nullopt;
            });
    }
}

CMyMsgBox::~CMyMsgBox() = default;

win::HWND CMyMsgBox::Hwnd() const {
    return window_ ? window_->Hwnd() : nullptr;
}

void CMyMsgBox::BuildFromTemplate() {
    const DialogTemplate& layout = MessageBoxTemplate();
    setFont(DialogFont(layout));
    const CDialogUnits units(font());
    templateClient_ = units.ToPixelsSize(layout.cx, layout.cy);
    resize(templateClient_);

    iconLabel_ = new QLabel(this);
    iconLabel_->setGeometry(units.ToPixels(*layout.Find(IDC_MSGBOX_ICON)));
    text_ = new CMessageText(this);
    const DialogItem& textItem = *layout.Find(IDC_MSGBOX_TEXT);
    templateTextRect_ = units.ToPixels(textItem);
    text_->setGeometry(templateTextRect_);
    text_->SetText(QString::fromStdString(textItem.text));
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const DialogItem& item = *layout.Find(kButtonIds[i]);
        buttons_[i] = new CButtonEx(this);
        buttons_[i]->setText(QString::fromStdString(item.text));
        templateButtonRects_[i] = units.ToPixels(item);
        buttons_[i]->setGeometry(templateButtonRects_[i]);
        connect(buttons_[i], &QPushButton::clicked, this, [this, i] { done(buttons_[i]->Code()); });
    }
}

void CMyMsgBox::InitDialog() {
    if (initialised_) {
        return;
    }
    initialised_ = true;
    setWindowTitle(FromProcessText(caption_.empty() ? ApplicationName() : caption_));
    text_->SetText(FromProcessText(textBytes_));
    SetUpIcon();
    QApplication::beep();
    SetUpButtons();
    GrowToText();
    if (!kind_.cancellable) {
        closeEnabled_ = false;
        setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                       ~Qt::WindowCloseButtonHint);
    }
}

void CMyMsgBox::SetUpIcon() {
    icon_ = IconOf(flags_);
    iconLabel_->resize(kIconPixels, kIconPixels);
    iconLabel_->setPixmap(style()->standardIcon(PixmapFor(icon_)).pixmap(kIconPixels));
}

void CMyMsgBox::SetUpButtons() {
    if (kind_.shown == 0) {
        return;  // an undefined kind keeps the template's buttons
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (kind_.codes[i] != 0) {
            buttons_[i]->SetKind(kind_.codes[i]);
        } else {
            buttons_[i]->hide();
        }
    }
    CButtonEx* preferred =
        buttons_[static_cast<std::size_t>(DefaultButtonIndex(flags_, kind_.shown))];
    for (CButtonEx* button : buttons_) {
        button->setDefault(button == preferred);
    }
    preferred->setFocus(Qt::OtherFocusReason);
}

std::array<int, 3> CMyMsgBox::ButtonWidths() const {
    return {templateButtonRects_[0].width(), templateButtonRects_[1].width(),
            templateButtonRects_[2].width()};
}

void CMyMsgBox::GrowToText() {
    const std::array<int, 3> widths = ButtonWidths();
    const QSize textExtent = text_->MeasureText(kMaxTextWidth);
    const Size control{templateTextRect_.width(), templateTextRect_.height()};
    const Size wanted = TextControlSize({textExtent.width(), textExtent.height()}, control,
                                        ButtonRowWidth(widths, kind_.shown));
    text_->resize(wanted.width, wanted.height);
    PlaceButtons(widths);
    resize(templateClient_.width() + wanted.width - control.width,
           templateClient_.height() + wanted.height - control.height);
    layout_.Apply(this);
    setFixedSize(size());
}

void CMyMsgBox::PlaceButtons(const std::array<int, 3>& widths) {
    if (kind_.shown == 0) {
        return;
    }
    const std::array<int, 3> offsets = ButtonCentreOffsets(widths, kind_.shown);
    int placed = 0;
    for (std::size_t i = 0; i < buttons_.size() && placed < kind_.shown; ++i) {
        if (kind_.codes[i] == 0) {
            continue;
        }
        buttons_[i]->move(templateButtonRects_[i].topLeft());
        layout_.SetCenteredRule(
            buttons_[i],
            KIVTOOLCommon::RS_CENTERX | KIVTOOLCommon::RS_KEEPWIDTH | KIVTOOLCommon::RS_KEEPHEIGHT,
            KIVTOOLCommon::RS_UNSET, offsets[static_cast<std::size_t>(placed)]);
        ++placed;
    }
}

int CMyMsgBox::DoModal() {
    InitDialog();
    if (dismissed_) {
        return IDDISMISSED;
    }
    return exec();
}

void CMyMsgBox::Dismiss() {
    dismissed_ = true;
    done(IDDISMISSED);
}

void CMyMsgBox::reject() {
    if (kind_.cancellable) {
        done(IDCANCEL);
    }
}

void CMyMsgBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F4 && (event->modifiers() & Qt::AltModifier) != 0) {
        reject();  // Alt+F4 is Close: swallowed while the box cannot be cancelled
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
