#pragma once
// What the control's destination query needs, served by the stand-in: the
// items of the content list, the terminal's boxes and folder prompt, and a
// cancel check that is the control's departure.
#include <atomic>
#include <string>

#include "control/ControlServices.h"
#include "control/DestinationQuery.h"
#include "programs/assistant/StandinWorkFile.h"

class CStandinDestinationContext : public kivcontrol::IDestinationContext {
public:
    CStandinDestinationContext(const ContentListRequest& request,
                               kivcontrol::IMessageBoxService& boxes,
                               kivcontrol::IFolderBrowser& browser,
                               const std::atomic<bool>& controlGone);

    bool IsCancelled() override { return controlGone_; }
    int ShowMessage(const std::string& text, unsigned style) override;
    int ShowMessageId(unsigned stringId, unsigned style) override;
    const kivtransfer::ContentList& Items() const override { return items_; }
    win::HWND DialogWindow() override { return nullptr; }
    win::HWND BrowserTopLevelWindow() override { return nullptr; }
    kivcontrol::IFolderBrowser* FolderBrowser() override { return &browser_; }
    void SetDestinationFolder(const std::string& folder) override { folder_ = folder; }
    void SetResumeAllowed(bool allowed) override { resumeAllowed_ = allowed; }
    kivtransfer::ErrorState& Errors() override { return errors_; }

    const std::string& Folder() const { return folder_; }
    bool ResumeAllowed() const { return resumeAllowed_; }

private:
    kivtransfer::ContentList items_;
    std::string caption_;
    kivcontrol::IMessageBoxService& boxes_;
    kivcontrol::IFolderBrowser& browser_;
    const std::atomic<bool>& controlGone_;
    std::string folder_;
    bool resumeAllowed_ = false;
    kivtransfer::ErrorState errors_;
};
