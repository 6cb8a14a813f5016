// The text progress bar: state and messages.
#include "ui/TextProgressCtrl.h"

#include <QEvent>
#include <cmath>
#include <cstdlib>

#include "platform/CodePage.h"
#include "ui/WidgetWindow.h"

namespace {

// One sweep direction for every bar: two busy bars turn each other's sweep.
int g_marqueeDirection = +1;

QString FromProcessText(const char* text) {
    if (text == nullptr) return QString();
    std::string utf8;
    if (win::ProcessToUtf8(text, utf8)) return QString::fromStdString(utf8);
    return QString::fromLatin1(text);
}

}  // namespace

CTextProgressCtrl::CTextProgressCtrl(QWidget* parent) : QWidget(parent) {
    // The bar paints every pixel itself: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    connect(&marqueeTimer_, &QTimer::timeout, this,
            [this] { HandleMessage(win::WM_TIMER, kMarqueeTimerId, 0); });
}

CTextProgressCtrl::~CTextProgressCtrl() = default;

int CTextProgressCtrl::MarqueeDirection() {
    return g_marqueeDirection;
}

void CTextProgressCtrl::ResetMarqueeDirection() {
    g_marqueeDirection = +1;
}

win::LRESULT CTextProgressCtrl::HandleMessage(win::UINT message, win::WPARAM wParam,
                                              win::LPARAM lParam) {
    if (message == win::WM_SETTEXT) {
        SetText(FromProcessText(reinterpret_cast<const char*>(lParam)));
        return win::TRUE;
    }
    return TryHandle(message, wParam, lParam).value_or(0);
}

std::optional<win::LRESULT> CTextProgressCtrl::TryHandle(win::UINT message, win::WPARAM wParam,
                                                         win::LPARAM lParam) {
    switch (message) {
        case PBM_SETRANGE:
            return SetRangeMessage(static_cast<int>(lParam & 0xFFFF),
                                   static_cast<int>((lParam >> 16) & 0xFFFF));
        case PBM_SETRANGE32:
            return SetRangeMessage(static_cast<int>(wParam), static_cast<int>(lParam));
        case PBM_GETRANGE:
            return GetRange(wParam, lParam);
        case PBM_SETPOS:
            return SetPos(static_cast<int>(wParam));
        case PBM_DELTAPOS:
            return SetPos(position_ + static_cast<int>(wParam));
        case PBM_GETPOS:
            return position_;
        case PBM_SETSTEP: {
            const int old = step_;
            step_ = static_cast<int>(wParam);
            return old;
        }
        case PBM_STEPIT:
            return StepIt();
        case PBM_SETMARQUEE:
            SetMarquee(wParam != 0, static_cast<int>(lParam));
            return static_cast<win::LRESULT>(wParam);
        case TPM_SHOWPERCENT: {
            RepaintNow();
            const bool old = showPercent_;
            showPercent_ = wParam != 0;
            return old ? 1 : 0;
        }
        case TPM_SETTEXTALIGN: {
            RepaintNow();
            const int old = textAlign_;
            textAlign_ = static_cast<int>(wParam);
            return old;
        }
        case TPM_SETMARQUEEWIDTH:
            RepaintNow();
            blockWidth_ = static_cast<int>(wParam);
            return blockWidth_;
        case win::WM_TIMER:
            if (wParam == kMarqueeTimerId) OnMarqueeTick();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // nothing erased: the paint covers everything
        default:
            return TryHandleColour(message, lParam);
    }
}

std::optional<win::LRESULT> CTextProgressCtrl::TryHandleColour(win::UINT message,
                                                               win::LPARAM lParam) {
    const auto resolve = [](COLORREF colour, int systemIndex) {
        return static_cast<win::LRESULT>(colour == CLR_DEFAULT ? kivui::GetSysColor(systemIndex)
                                                               : colour);
    };
    const auto colour = static_cast<COLORREF>(lParam);
    switch (message) {
        case PBM_SETBARCOLOR:
            return SetColour(barColour_, colour);
        case PBM_SETBKCOLOR:
            return SetColour(backgroundColour_, colour);
        case TPM_SETTEXTCOLOR:
            return SetColour(textColour_, colour);
        case TPM_SETTEXTBKCOLOR:
            return SetColour(textOnBarColour_, colour);
        case TPM_GETBARCOLOR:
            return resolve(barColour_, COLOR_HIGHLIGHT);
        case TPM_GETBKCOLOR:
            return resolve(backgroundColour_, COLOR_BTNFACE);
        case TPM_GETTEXTCOLOR:
            return resolve(textColour_, COLOR_WINDOWTEXT);
        case TPM_GETTEXTBKCOLOR:
            return resolve(textOnBarColour_, COLOR_WINDOW);
        default:
            return std::nullopt;
    }
}

COLORREF CTextProgressCtrl::SetColour(COLORREF& field, COLORREF value) {
    // Repainted before the change: the new colour shows from the next paint on.
    RepaintNow();
    const COLORREF old = field;
    field = value;
    return old;
}

void CTextProgressCtrl::RepaintNow() {
    if (isVisible()) repaint();
}

win::LRESULT CTextProgressCtrl::SetRangeMessage(int lower, int upper) {
    const win::DWORD old =
        (static_cast<win::DWORD>(upper_) << 16) | (static_cast<win::DWORD>(lower_) & 0xFFFFu);
    lower_ = lower;
    upper_ = upper;
    return static_cast<win::LRESULT>(old);
}

void CTextProgressCtrl::SetRange(int lower, int upper) {
    SetRangeMessage(lower, upper);
}

win::LRESULT CTextProgressCtrl::GetRange(win::WPARAM which, win::LPARAM pair) const {
    if (auto* range = reinterpret_cast<PBRANGE*>(pair)) {
        range->iLow = lower_;
        range->iHigh = upper_;
    }
    return which != 0 ? lower_ : upper_;
}

int CTextProgressCtrl::BusyLimit() const {
    return static_cast<int>(((static_cast<double>(blockWidth_) + 100.0) * upper_ + 0.5) / 100.0);
}

int CTextProgressCtrl::SetPos(int position) {
    const int old = position_;
    position_ = position < lower_ ? lower_ : position;
    if ((style_ & PBS_MARQUEE) != 0) {
        position_ = std::min(position_, BusyLimit());
    } else if (position_ > upper_) {
        position_ = upper_;
    }
    RepaintNow();
    return old;
}

int CTextProgressCtrl::StepIt() {
    int next = position_ + step_;
    if (next < lower_) {
        next = upper_ - std::abs(lower_ - next);
    } else if (next > upper_) {
        next = lower_ + std::abs(next - upper_);
    }
    return SetPos(next);
}

win::LRESULT CTextProgressCtrl::SetMarquee(bool on, int intervalMs) {
    RepaintNow();
    // Busy style stays once set, also when the sweep is switched off.
    style_ |= PBS_MARQUEE;
    showPercent_ = false;
    if (on) {
        marqueeTimer_.start(intervalMs);
    } else {
        marqueeTimer_.stop();
    }
    return on ? 1 : 0;
}

void CTextProgressCtrl::OnMarqueeTick() {
    const int position = position_;
    if (g_marqueeDirection == +1 && position >= BusyLimit()) {
        g_marqueeDirection = -1;
    } else if (g_marqueeDirection == -1 && position <= lower_) {
        g_marqueeDirection = +1;
    }
    SetPos(position + g_marqueeDirection);
}

void CTextProgressCtrl::SetStyle(win::DWORD style) {
    style_ = style;
    update();
}

void CTextProgressCtrl::SetBordered(bool bordered) {
    bordered_ = bordered;
    update();
}

QRect CTextProgressCtrl::ClientRect() const {
    return bordered_ ? rect().adjusted(1, 1, -1, -1) : rect();
}

void CTextProgressCtrl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange || event->type() == QEvent::FontChange) {
        update();
    }
    QWidget::changeEvent(event);
}

win::HWND CTextProgressCtrl::CreateWindowHandle(win::HWND parent) {
    window_ = std::make_unique<CWidgetWindow>(this, parent, win::WS_CHILD);
    window_->SetHandler([this](win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
        return TryHandle(message, wParam, lParam);
    });
    return window_->Hwnd();
}

win::HWND CTextProgressCtrl::Hwnd() const {
    return window_ ? window_->Hwnd() : nullptr;
}
