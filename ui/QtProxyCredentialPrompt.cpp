#include "ui/QtProxyCredentialPrompt.h"

#include <QPointer>
#include <memory>

#include "ui/ProxyCredentialDialog.h"
#include "ui/ProxyWindow.h"
#include "ui/QtText.h"
#include "ui/WindowWidgets.h"

namespace {

struct Credentials {
    std::string user;
    std::string password;
};

}  // namespace

bool CQtProxyCredentialPrompt::AskProxyCredentials(win::HWND owner, std::string& user,
                                                   std::string& password) {
    if (kivui::OnThreadOf(uiContext_)) {
        return CProxyCredentialDialog::Ask(kivui::WidgetOfWindow(owner), user, password);
    }
    // The UI thread may still run the question after the wait here was ended.
    auto answer = std::make_shared<Credentials>();
    CProxyWindow proxy(kivui::ToProcessText(CProxyCredentialDialog::Title()), owner);
    proxy.SetCloseResult(IDCANCEL);
    const int result = proxy.RunModal(uiContext_, [owner, answer](CProxySession& session) {
        if (session.Ended()) {
            return IDCANCEL;
        }
        QPointer<CProxyCredentialDialog> dialog =
            new CProxyCredentialDialog(kivui::WidgetOfWindow(owner));
        session.Attach(dialog.data());
        const bool accepted = dialog->exec() == QDialog::Accepted && dialog != nullptr;
        if (dialog == nullptr) {
            return IDCANCEL;
        }
        if (accepted) {
            answer->user = kivui::ToProcessText(dialog->UserName());
            answer->password = kivui::ToProcessText(dialog->Password());
        }
        delete dialog;
        if (!accepted) {
            return IDCANCEL;
        }
        return IDOK;
    });
    if (result != IDOK) {
        return false;
    }
    user = answer->user;
    password = answer->password;
    return true;
}
