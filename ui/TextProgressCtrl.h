#pragma once
// A progress bar that keeps its own range, position and step, paints itself
// and draws a text over the bar whose colour changes where the text crosses
// the filled part. In busy (marquee) style a block sweeps back and forth on
// a timer. Driven through the platform's progress-bar messages and the TPM_
// messages below (HandleMessage); the window text (the widget's title) is
// the bar text. Used on the UI thread only.
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

#include "ui/GdiTypes.h"

class CWidgetWindow;

constexpr win::UINT TPM_GETBARCOLOR = WM_USER + 100;
constexpr win::UINT TPM_GETBKCOLOR = WM_USER + 101;
constexpr win::UINT TPM_SETTEXTCOLOR = WM_USER + 102;
constexpr win::UINT TPM_GETTEXTCOLOR = WM_USER + 103;
constexpr win::UINT TPM_SETTEXTBKCOLOR = WM_USER + 104;
constexpr win::UINT TPM_GETTEXTBKCOLOR = WM_USER + 105;
constexpr win::UINT TPM_SHOWPERCENT = WM_USER + 106;
constexpr win::UINT TPM_SETTEXTALIGN = WM_USER + 107;
constexpr win::UINT TPM_SETMARQUEEWIDTH = WM_USER + 108;

// The busy-mode timer's id.
constexpr win::UINT_PTR kMarqueeTimerId = 1;

class CTextProgressCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CTextProgressCtrl(QWidget* parent = nullptr);
    ~CTextProgressCtrl() override;

    // PBM_ and TPM_ messages, WM_TIMER (id 1 ticks the sweep), WM_ERASEBKGND
    // (reported done) and WM_SETTEXT (the bar text); 0 for anything else.
    win::LRESULT HandleMessage(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

    // A window of the window layer for this bar (child of `parent`) whose
    // messages reach HandleMessage. Owned by the bar.
    win::HWND CreateWindowHandle(win::HWND parent);
    win::HWND Hwnd() const;

    // PBS_VERTICAL and PBS_MARQUEE. PBM_SETMARQUEE adds PBS_MARQUEE itself.
    void SetStyle(win::DWORD style);
    win::DWORD Style() const { return style_; }
    // A 1-pixel frame outside the client area (the template's border).
    void SetBordered(bool bordered);

    QString Text() const { return windowTitle(); }
    void SetText(const QString& text) { setWindowTitle(text); }

    // Typed calls of the messages.
    int SetPos(int position);
    int GetPos() const { return position_; }
    void SetRange(int lower, int upper);
    int Lower() const { return lower_; }
    int Upper() const { return upper_; }
    int StepIt();
    bool IsTimerRunning() const { return marqueeTimer_.isActive(); }
    // The position PBM_SETPOS stops at in marquee style.
    int BusyLimit() const;
    // The client rectangle the bar is drawn in (inside the border).
    QRect ClientRect() const;

    // The sweep direction (+1 or -1), shared by every bar in the process.
    static int MarqueeDirection();
    static void ResetMarqueeDirection();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The messages the bar answers itself; std::nullopt for the others.
    std::optional<win::LRESULT> TryHandle(win::UINT message, win::WPARAM wParam,
                                          win::LPARAM lParam);
    std::optional<win::LRESULT> TryHandleColour(win::UINT message, win::LPARAM lParam);
    void RepaintNow();
    win::LRESULT SetRangeMessage(int lower, int upper);
    win::LRESULT GetRange(win::WPARAM which, win::LPARAM pair) const;
    win::LRESULT SetMarquee(bool on, int intervalMs);
    void OnMarqueeTick();
    COLORREF SetColour(COLORREF& field, COLORREF value);
    void PaintBar(QPainter& painter);

    int lower_ = 0;
    int upper_ = 100;
    int position_ = 0;
    int step_ = 10;
    COLORREF barColour_ = CLR_DEFAULT;
    COLORREF backgroundColour_ = CLR_DEFAULT;
    COLORREF textColour_ = CLR_DEFAULT;
    COLORREF textOnBarColour_ = CLR_DEFAULT;
    bool showPercent_ = true;
    int textAlign_ = 1;
    int blockWidth_ = 20;
    win::DWORD style_ = 0;
    bool bordered_ = false;
    QTimer marqueeTimer_;
    std::unique_ptr<CWidgetWindow> window_;
};
