#include "frontends/window/StandinWindowQuestions.h"

#include <QApplication>
#include <QDialog>
#include <QMetaObject>
#include <memory>

#include "frontends/window/WindowFolderBrowser.h"
#include "ui/ApplicationSetup.h"
#include "ui/MyMsgBox.h"
#include "ui/QtFolderBrowser.h"
#include "ui/QtMessageBoxService.h"
#include "ui/QtThreadDispatcher.h"

using kivcontrol::ExistingFiles;
using kivcontrol::IFolderBrowser;
using kivcontrol::IMessageBoxService;

namespace {

// The application and its window-layer pump; made on this (the main) thread
// at the first question, then kept for the process's life.
std::atomic<QApplication*> application{nullptr};

QApplication& EnsureApplication() {
    if (QApplication* made = application.load()) return *made;
    static int argc = 1;
    static char name[] = "kivdownloadcontrol";
    static char* argv[] = {name, nullptr};
    auto* made = new QApplication(argc, argv);
    kivui::SetUpApplication(*made);
    new CQtThreadDispatcher(made);
    application.store(made);
    return *made;
}

void EndOpenQuestions() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = dynamic_cast<CMyMsgBox*>(widget)) {
            box->Dismiss();
        } else if (auto* dialog = dynamic_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
            dialog->reject();
        }
    }
}

}  // namespace

class CStandinWindowQuestions::CBoxes : public IMessageBoxService {
public:
    explicit CBoxes(ExistingFiles existing) : existing_(existing) {}

    int ShowMessageBox(win::HWND owner, const std::string& text, const std::string& caption,
                       unsigned style) override {
        // The only three-way question the control asks is the existing-files one.
        if ((style & 0xF) == MB_YESNOCANCEL && existing_ != ExistingFiles::Ask) {
            return existing_ == ExistingFiles::Resume ? IDYES : IDNO;
        }
        return Qt().ShowMessageBox(owner, text, caption, style);
    }
    int ShowStandardMessageBox(const std::string& text, const std::string& caption,
                               unsigned style) override {
        return Qt().ShowStandardMessageBox(text, caption, style);
    }

private:
    CQtMessageBoxService& Qt() {
        if (!boxes_) boxes_ = std::make_unique<CQtMessageBoxService>(&EnsureApplication());
        return *boxes_;
    }

    const ExistingFiles existing_;
    std::unique_ptr<CQtMessageBoxService> boxes_;
};

class CStandinWindowQuestions::CFolders : public IFolderBrowser {
public:
    int Browse(win::HWND owner, const std::string& prompt, unsigned flags,
               const KIVTOOLCommon::CItemIDList& initialSelection,
               KIVTOOLCommon::CItemIDList& result) override {
        if (!folders_) folders_ = std::make_unique<CQtFolderBrowser>(&EnsureApplication());
        return folders_->Browse(owner, prompt, flags, initialSelection, result);
    }

private:
    std::unique_ptr<CQtFolderBrowser> folders_;
};

struct CStandinWindowQuestions::Parts {
    Parts(const std::string& destination, ExistingFiles existing)
        : boxes(existing), answered(asked, destination) {}
    CBoxes boxes;
    CFolders asked;
    CWindowFolderBrowser answered;
};

CStandinWindowQuestions::CStandinWindowQuestions(const std::string& destination,
                                                 ExistingFiles existing)
    : parts_(std::make_unique<Parts>(destination, existing)) {}

CStandinWindowQuestions::~CStandinWindowQuestions() = default;

IMessageBoxService& CStandinWindowQuestions::Boxes() {
    return parts_->boxes;
}

IFolderBrowser& CStandinWindowQuestions::Folders() {
    return parts_->answered;
}

void CStandinWindowQuestions::Interrupt() {
    QApplication* made = application.load();
    if (made != nullptr) QMetaObject::invokeMethod(made, EndOpenQuestions, Qt::QueuedConnection);
}
