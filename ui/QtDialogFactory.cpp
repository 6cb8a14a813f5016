#include "ui/QtDialogFactory.h"

#include <QPointer>

#include "platform/LastError.h"
#include "platform/Window.h"
#include "ui/KivDownloadControllerDlg.h"
#include "ui/WindowWidgets.h"

using kivcontrol::IDownloadDialog;

namespace {

// The control's hold on the dialog. Letting go deletes the dialog, or, while
// the dialog is asking its cancel question, as soon as that is answered.
class CDownloadDialogHandle : public IDownloadDialog {
public:
    explicit CDownloadDialogHandle(CKivDownloadControllerDlg* dialog) : dialog_(dialog) {}
    ~CDownloadDialogHandle() override {
        if (dialog_) {
            dialog_->Release();
        }
    }
    CDownloadDialogHandle(const CDownloadDialogHandle&) = delete;
    CDownloadDialogHandle& operator=(const CDownloadDialogHandle&) = delete;

    win::HWND Window() const override { return dialog_ ? dialog_->Window() : nullptr; }
    void SetCreatedFlag(bool created) override {
        if (dialog_) {
            dialog_->SetCreatedFlag(created);
        }
    }
    bool CreatedFlag() const override { return dialog_ && dialog_->CreatedFlag(); }
    void Configure(const std::string& caption, win::HANDLE cancelEvent, win::HANDLE pauseMutex,
                   const std::string& helpLink) override {
        if (dialog_) {
            dialog_->Configure(caption, cancelEvent, pauseMutex, helpLink);
        }
    }

private:
    QPointer<CKivDownloadControllerDlg> dialog_;
};

}  // namespace

std::unique_ptr<IDownloadDialog> CQtDialogFactory::CreateDownloadDialog(win::HWND parent) {
    if (!win::IsWindow(parent)) {
        win::SetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    auto* dialog = new CKivDownloadControllerDlg(kivui::WidgetOfWindow(parent), parent, launcher_);
    if (dialog->Window() == nullptr) {
        delete dialog;
        return nullptr;
    }
    return std::make_unique<CDownloadDialogHandle>(dialog);
}
