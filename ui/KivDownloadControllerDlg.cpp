#include "ui/KivDownloadControllerDlg.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "platform/Event.h"
#include "platform/Message.h"
#include "platform/Mutex.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/ControlMessages.h"
#include "ui/ColorButton.h"
#include "ui/DialogColours.h"
#include "ui/DialogFont.h"
#include "ui/DialogTemplates.h"
#include "ui/DialogUnits.h"
#include "ui/LinkStatic.h"
#include "ui/MemDC.h"
#include "ui/MyMsgBox.h"
#include "ui/QtText.h"
#include "ui/TextProgressCtrl.h"
#include "ui/WidgetWindow.h"

using kivcontrol::ILauncher;

using namespace kivui;

namespace {

constexpr unsigned kYesNoExclamation = 0x34;
constexpr win::DWORD kCancelRetryMs = 10;
constexpr const char* kTemplateRect = "kivTemplateRect";

const DialogTemplate& DownloadTemplate() {
    const DialogTemplate* found = LoadDialogTemplate(IDD_DOWNLOAD, win::UserLanguage());
    if (found == nullptr) {
        found = LoadDialogTemplate(IDD_DOWNLOAD, win::Language::English);
    }
    return *found;
}

// The small image beside the about link: a blue disc with a white "i".
QPixmap LinkImagePixmap() {
    QPixmap image(12, 12);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ToQColor(kAboutLinkColour));
    painter.drawEllipse(QRectF(0.5, 0.5, 11, 11));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(5, 5, 2, 4.5));
    painter.drawEllipse(QRectF(5, 2.2, 2, 2));
    return image;
}

}  // namespace

CKivDownloadControllerDlg::CKivDownloadControllerDlg(QWidget* parent, win::HWND parentWindow,
                                                     ILauncher* launcher)
    : QWidget(parent), parentWindow_(parentWindow) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    const DialogTemplate& layout = DownloadTemplate();
    BuildFromTemplate(layout);
    SetUpLink(launcher);
    hide();
    window_ = std::make_unique<CWidgetWindow>(this, parentWindow_,
                                              parentWindow_ != nullptr ? win::WS_CHILD : 0);
    window_->SetHandler([this](win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
        return HandleMessage(message, wParam, lParam);
    });
    InitDialog();
}

CKivDownloadControllerDlg::~CKivDownloadControllerDlg() {
    // A box this dialog owned may have left the outer window disabled.
    if (outerWindow_ != nullptr && win::IsWindow(outerWindow_)) {
        win::EnableWindow(outerWindow_, win::TRUE);
    }
}

win::HWND CKivDownloadControllerDlg::Window() const {
    return window_ ? window_->Hwnd() : nullptr;
}

QLabel* CKivDownloadControllerDlg::AddLabel(const DialogTemplate& layout, int id,
                                            const char* text) {
    const DialogItem* item = id == IDC_STATIC ? layout.FindByText(text) : layout.Find(id);
    auto* label = new QLabel(this);
    if (item == nullptr) {
        return label;
    }
    const CDialogUnits units(font());
    label->setGeometry(units.ToPixels(*item));
    label->setTextFormat(Qt::PlainText);
    label->setText(QString::fromStdString(item->text));
    label->setAlignment(((item->style & SS_RIGHT) != 0 ? Qt::AlignRight : Qt::AlignLeft) |
                        Qt::AlignTop);
    label->setVisible((item->style & win::WS_VISIBLE) != 0);
    label->setProperty(kTemplateRect, label->geometry());
    FitToText(label);
    return label;
}

void CKivDownloadControllerDlg::FitToText(QLabel* label) const {
    // This platform's fonts can be wider than the template's: a label grows
    // away from its aligned edge (within the frame) rather than clip its text.
    QRect area = label->property(kTemplateRect).toRect();
    const int needed = label->fontMetrics().horizontalAdvance(label->text());
    const QRect inside = rect().adjusted(2, 0, -2, 0);
    if (needed > area.width()) {
        if ((label->alignment() & Qt::AlignRight) != 0) {
            area.setLeft(std::max(inside.left(), area.right() + 1 - needed));
        } else {
            area.setRight(std::min(inside.right(), area.left() + needed - 1));
        }
    }
    label->setGeometry(area);
}

void CKivDownloadControllerDlg::BuildFromTemplate(const DialogTemplate& layout) {
    setFont(DialogFont(layout));
    const CDialogUnits units(font());
    resize(units.ToPixelsSize(layout.cx, layout.cy));
    for (const DialogItem& item : layout.items) {
        const QRect area = units.ToPixels(item);
        switch (item.id) {
            case IDC_STATUS:
                status_ = AddLabel(layout, item.id, nullptr);
                break;
            case IDC_FILE_NAME:
                fileName_ = AddLabel(layout, item.id, nullptr);
                fileNameText_ = fileName_->text();
                break;
            case IDC_CURRENT_LABEL:
                currentLabel_ = AddLabel(layout, item.id, nullptr);
                break;
            case IDC_TIME_LABEL:
                timeLabel_ = AddLabel(layout, item.id, nullptr);
                break;
            case IDC_PANEL:
                panelRect_ = area;
                break;
            case IDC_RATE:
                rateRect_ = area;
                break;
            case IDC_TIME:
                timeRect_ = area;
                break;
            case IDC_CURRENT_BAR:
            case IDC_OVERALL_BAR: {
                auto* bar = new CTextProgressCtrl(this);
                bar->SetBordered(true);
                bar->setGeometry(area);
                (item.id == IDC_CURRENT_BAR ? currentBar_ : overallBar_) = bar;
                break;
            }
            case IDC_PLAY:
            case IDC_CANCEL: {
                auto* button = new CColorButton(QString::fromStdString(item.text), this);
                button->setGeometry(area);
                (item.id == IDC_PLAY ? play_ : cancel_) = button;
                break;
            }
            case IDC_ABOUT_LINK:
                link_ = new CLinkStatic(this);
                link_->setGeometry(area);
                link_->setText(QString::fromStdString(item.text));
                link_->setAlignment(Qt::AlignRight | Qt::AlignTop);
                break;
            case IDC_LINK_IMAGE:
                linkImage_ = new QLabel(this);
                linkImage_->setGeometry(area);
                linkImage_->setAlignment(Qt::AlignCenter);
                linkImage_->setPixmap(LinkImagePixmap());
                break;
            case IDC_STATIC:
                if (item.kind == ItemKind::Static) {
                    AddLabel(layout, IDC_STATIC, item.text.c_str());
                }
                break;
            default:
                break;
        }
    }
}

void CKivDownloadControllerDlg::SetUpLink(ILauncher* launcher) {
    link_->SetLauncher(launcher);
    link_->SetColours(kAboutLinkColour, kAboutLinkColour);
    link_->SetOpenThroughBrowser(true);
    link_->SetTransparentBackground(true);
    link_->hide();
    linkImage_->hide();
}

void CKivDownloadControllerDlg::InitDialog() {
    outerWindow_ = win::GetAncestor(Window(), win::GA_ROOT);
    if (!caption_.empty()) {
        setWindowTitle(FromProcessText(caption_));
    }
    QPalette statusColours = status_->palette();
    statusColours.setColor(QPalette::WindowText, ToQColor(kStatusText));
    status_->setPalette(statusColours);
    status_->hide();
    fileName_->hide();
    currentLabel_->show();
    SetUpBars();
    SetUpButtons();
    closeEnabled_ = false;
    valueFont_ = font();
}

void CKivDownloadControllerDlg::SetUpBars() {
    currentBar_->HandleMessage(TPM_SHOWPERCENT, 0, 0);
    currentBar_->show();
    currentBar_->HandleMessage(PBM_SETRANGE32, 0, 100);
    currentBar_->HandleMessage(TPM_SETMARQUEEWIDTH, 10, 0);
    overallBar_->HandleMessage(TPM_SHOWPERCENT, 0, 0);
    overallBar_->HandleMessage(PBM_SETRANGE32, 0, 10);
    overallBar_->HandleMessage(TPM_SETMARQUEEWIDTH, 10, 0);
    overallBar_->HandleMessage(PBM_SETSTEP, 1, 0);
}

void CKivDownloadControllerDlg::SetUpButtons() {
    for (CColorButton* button : {play_.data(), cancel_.data()}) {
        button->SetFaceColour(kDialogButtonFace);
        button->SetPressedFaceColour(kDialogButtonFace);
        button->SetTextColour(kDialogButtonText);
        button->SetDrawFocusRect(false);
    }
    play_->hide();
    cancel_->setEnabled(false);
    connect(cancel_, &QPushButton::clicked, this, &CKivDownloadControllerDlg::OnCancel);
    connect(play_, &QPushButton::clicked, this,
            [this] { win::PostMessage(parentWindow_, CTLM_PLAY, 0, 0); });
}

void CKivDownloadControllerDlg::Configure(const std::string& caption, win::HANDLE cancelEvent,
                                          win::HANDLE pauseMutex, const std::string& helpLink) {
    caption_ = caption;
    model_.SetCaption(caption);
    if (!caption_.empty()) {
        setWindowTitle(FromProcessText(caption_));
    }
    cancelEvent_ = cancelEvent;
    pauseMutex_ = pauseMutex;
    link_->SetLinkTarget(helpLink);
}

void CKivDownloadControllerDlg::paintEvent(QPaintEvent* event) {
    QPainter screen(this);
    CMemDC surface(screen, event->rect());
    QPainter& painter = surface.Painter();
    QRect client = rect();
    painter.fillRect(client, ToQColor(kDialogBackground));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(ToQColor(kDialogFrame));
    for (int ring = 0; ring < 2; ++ring) {
        painter.drawRect(client.adjusted(0, 0, -1, -1));
        client.adjust(1, 1, -1, -1);
    }
    if (panelRect_.height() != 0) {
        painter.fillRect(panelRect_, ToQColor(kPanelFill));
    }
    painter.setPen(ToQColor(kPanelBorder));
    painter.drawRect(panelRect_.adjusted(0, 0, -1, -1));
    DrawValueText(painter, rateRect_, model_.RateText());
    DrawValueText(painter, timeRect_, model_.TimeText());
}

void CKivDownloadControllerDlg::DrawValueText(QPainter& painter, const QRect& area,
                                              const std::string& text) const {
    if (area.height() != 0) {
        painter.fillRect(area, ToQColor(kPanelFill));
    }
    if (text.empty()) {
        return;
    }
    painter.setFont(valueFont_);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine,
                     FromProcessText(text));
}

void CKivDownloadControllerDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (cancel_ && cancel_->isEnabled()) {
            OnCancel();
        }
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

QString CKivDownloadControllerDlg::ApplicationName() const {
    return FromProcessText(caption_.empty() ? kivui::ApplicationName() : caption_);
}

int CKivDownloadControllerDlg::AskCancelQuestion() {
    const std::string name = ToProcessText(ApplicationName());
    const std::string question = model_.Mode() == 1
                                     ? res::FormatString(textid::kVerifyingWarning, {name}) +
                                           res::FormatString(textid::kCloseQuestion, {name})
                                     : res::LoadString(textid::kCancelDownloadQuestion);
    // On the heap: the box goes with this dialog if the page closes meanwhile.
    QPointer<CMyMsgBox> box = new CMyMsgBox(question, name, kYesNoExclamation, this, Window());
    const int answer = box->DoModal();
    if (box == nullptr) {
        return IDDISMISSED;
    }
    delete box;
    return answer;
}

void CKivDownloadControllerDlg::OnCancel() {
    if (asking_) {
        return;
    }
    const bool locked = pauseMutex_ != nullptr;
    if (locked) {
        win::DWORD taken = win::WaitForSingleObject(pauseMutex_, 0);
        if (taken == win::WAIT_TIMEOUT) {
            win::Sleep(kCancelRetryMs);
            taken = win::WaitForSingleObject(pauseMutex_, 0);
        }
        if (taken != win::WAIT_OBJECT_0 && taken != win::WAIT_ABANDONED_0) {
            return;  // the worker's check holds it: the request is dropped
        }
    }
    asking_ = true;
    const int answer = AskCancelQuestion();
    asking_ = false;
    if (answer != IDNO && answer != IDDISMISSED) {
        ConfirmCancel();
    }
    if (locked) {
        win::ReleaseMutex(pauseMutex_);
    }
    if (releaseWhenAnswered_) {
        deleteLater();  // the Cancel button's click is still on the stack
    }
}

void CKivDownloadControllerDlg::ConfirmCancel() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    model_.DisableCancel();
    if (cancel_) {
        cancel_->setEnabled(false);
    }
    if (play_) {
        play_->setEnabled(false);
    }
    if (cancelEvent_ != nullptr) {
        win::SetEvent(cancelEvent_);
    }
    QApplication::restoreOverrideCursor();
}

void CKivDownloadControllerDlg::Release() {
    if (asking_) {
        releaseWhenAnswered_ = true;
        hide();
        return;
    }
    delete this;
}
