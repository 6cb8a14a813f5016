#pragma once
// The download dialog: a borderless child window (template 201) inside the
// control's window. It shows what the control and the worker send it as
// DLGM_ messages through its window handle: the status line, the current
// file, a progress bar for the file and one for the run, the rate and the
// time left. Its outputs are the cancel event (after the user confirmed the
// cancel question, asked while holding the pause mutex) and the play request.
#include <QElapsedTimer>
#include <QFont>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "control/ControlServices.h"
#include "platform/KernelTypes.h"
#include "platform/WindowTypes.h"
#include "ui/ColorButton.h"
#include "ui/text/DownloadDialogModel.h"

class CLinkStatic;
class CTextProgressCtrl;
class CWidgetWindow;
class QLabel;

namespace kivui {
struct DialogTemplate;
}

class CKivDownloadControllerDlg : public QWidget {
    Q_OBJECT
public:
    // Creates the dialog's child window under `parentWindow` (the control's
    // window, where the play request goes); `parent` is its widget, if any.
    CKivDownloadControllerDlg(QWidget* parent, win::HWND parentWindow,
                              kivcontrol::ILauncher* launcher = nullptr);
    ~CKivDownloadControllerDlg() override;

    // What the control sets up (IDownloadDialog, through QtDialogFactory).
    win::HWND Window() const;
    void SetCreatedFlag(bool created) { createdFlag_ = created; }
    bool CreatedFlag() const { return createdFlag_; }
    // The caption is applied at once; the handles stay the control's.
    void Configure(const std::string& caption, win::HANDLE cancelEvent, win::HANDLE pauseMutex,
                   const std::string& helpLink);

    // The DLGM_ messages (every handler answers 0); std::nullopt for others.
    std::optional<win::LRESULT> HandleMessage(win::UINT message, win::WPARAM wParam,
                                              win::LPARAM lParam);
    // The cancel command: the Cancel button, Esc and Close.
    void OnCancel();

    // What the dialog shows, for the host and for checks.
    QLabel* StatusLine() const { return status_; }
    QLabel* FileNameLine() const { return fileName_; }
    const QString& FileNameText() const { return fileNameText_; }
    QLabel* TimeLabel() const { return timeLabel_; }
    QLabel* CurrentLabel() const { return currentLabel_; }
    CTextProgressCtrl* CurrentBar() const { return currentBar_; }
    CTextProgressCtrl* OverallBar() const { return overallBar_; }
    CColorButton* PlayButton() const { return play_; }
    CColorButton* CancelButton() const { return cancel_; }
    CLinkStatic* AboutLink() const { return link_; }
    QLabel* LinkImage() const { return linkImage_; }
    const std::string& RateText() const { return model_.RateText(); }
    const std::string& TimeText() const { return model_.TimeText(); }
    // What the messages made of the dialog; the widgets draw it.
    const kivui::CDownloadDialogModel& Model() const { return model_; }
    QRect RateRect() const { return rateRect_; }
    QRect TimeRect() const { return timeRect_; }
    QRect PanelRect() const { return panelRect_; }
    bool IsCloseEnabled() const { return closeEnabled_; }
    int Mode() const { return model_.Mode(); }
    win::ULONGLONG CurrentTotal() const { return model_.CurrentTotal(); }
    // The dialog is asking its cancel question.
    bool IsAsking() const { return asking_; }
    // Deletes the dialog now, or once its cancel question has been answered
    // when it is asking (the question's caller still runs on this object).
    void Release();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildFromTemplate(const kivui::DialogTemplate& layout);
    QLabel* AddLabel(const kivui::DialogTemplate& layout, int id, const char* text);
    void InitDialog();
    void SetUpBars();
    void SetUpButtons();
    void SetUpLink(kivcontrol::ILauncher* launcher);

    // Draws what one message changed in the model.
    void Render(win::UINT message, win::WPARAM wParam, const kivui::DialogChanges& changes);
    void ShowFileName();
    void ShowStatus(const kivui::DialogChanges& changes);
    void ShowCurrentBusy(int showCommand);
    void ShowCurrentTotal();
    void OnCurrentPos();
    void ShowCurrentPos();
    void ShowWaitingCount();
    void ForgetWaitingCount();
    void ShowOverallBusy(int showCommand);
    void ShowOverallRange();
    void ShowOverallStep(win::WPARAM flag);
    void ShowOverallPos();
    void ShowRateTime(const kivui::DialogChanges& changes);
    void OnShowLink();
    void OnDestroyWindow();

    int AskCancelQuestion();
    void ConfirmCancel();
    QString ApplicationName() const;
    void SetLineText(QLabel* line, const QString& text);
    void FitToText(QLabel* label) const;
    void DrawValueText(QPainter& painter, const QRect& area, const std::string& text) const;

    win::HWND parentWindow_;
    std::unique_ptr<CWidgetWindow> window_;
    win::HWND outerWindow_ = nullptr;
    bool createdFlag_ = false;
    std::string caption_;
    kivui::CDownloadDialogModel model_;
    win::HANDLE cancelEvent_ = nullptr;
    win::HANDLE pauseMutex_ = nullptr;
    // The transfer posts a byte count for every 16 KiB it reads, far more
    // than a screen shows: the bars take one a frame, the newest (the model
    // holds a count that comes sooner), as Windows coalesces paint.
    QElapsedTimer countShown_;
    bool countWaiting_ = false;
    bool countFlushArmed_ = false;
    QFont valueFont_;
    bool closeEnabled_ = false;
    bool asking_ = false;
    bool releaseWhenAnswered_ = false;

    QLabel* status_ = nullptr;
    QLabel* fileName_ = nullptr;
    QString fileNameText_;
    QLabel* currentLabel_ = nullptr;
    QLabel* timeLabel_ = nullptr;
    CTextProgressCtrl* currentBar_ = nullptr;
    CTextProgressCtrl* overallBar_ = nullptr;
    QPointer<CColorButton> play_;
    QPointer<CColorButton> cancel_;
    CLinkStatic* link_ = nullptr;
    QLabel* linkImage_ = nullptr;
    QRect panelRect_;
    QRect rateRect_;
    QRect timeRect_;
};
