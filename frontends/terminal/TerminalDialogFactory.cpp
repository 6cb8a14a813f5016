#include "frontends/terminal/TerminalDialogFactory.h"

#include "frontends/terminal/TerminalDownloadDialog.h"

using kivcontrol::IDownloadDialog;

namespace kivterm {

std::unique_ptr<IDownloadDialog> CTerminalDialogFactory::CreateDownloadDialog(win::HWND parent) {
    auto dialog =
        std::make_unique<CTerminalDownloadDialog>(console_, boxes_, cancel_, log_, quiet_);
    if (!dialog->Create(parent)) return nullptr;
    ++created_;
    return dialog;
}

}  // namespace kivterm
