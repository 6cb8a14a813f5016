// The proxy-credential question's answers to CTLM_INETERRORDLG.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "platform/InternetConstants.h"
#include "platform/InternetSession.h"
#include "platform/WinTypes.h"
#include "tests/ui/DialogTestSupport.h"
#include "transfer/ControlMessages.h"
#include "ui/ProxyCredentialDialog.h"

namespace {

// A request that is never sent: the answers must not need the network.
struct UnsentRequest {
    std::unique_ptr<win::CInternetSession> session = std::make_unique<win::CInternetSession>();
    std::unique_ptr<win::CHttpConnection> connection = session->GetHttpConnection("127.0.0.1", 9);
    std::unique_ptr<win::CHttpFile> file = connection->OpenRequest(win::HTTP_VERB_GET, "/a.zip", 0);
};

TEST(ProxyCredentialDialogTest, OkAsksToSendAgainAndCancelDoesNot) {
    UnsentRequest request;
    CProxyCredentialDialog dialog;
    EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);
    dialog.UserNameEdit()->setText("kiv");
    dialog.PasswordEdit()->setText("s3cret");
    EXPECT_EQ(dialog.UserName(), "kiv");
    EXPECT_EQ(dialog.Password(), "s3cret");
    EXPECT_EQ(CProxyCredentialDialog::Apply(QDialog::Accepted, dialog, *request.file),
              ERROR_INTERNET_FORCE_RETRY);
    EXPECT_EQ(CProxyCredentialDialog::Apply(QDialog::Rejected, dialog, *request.file),
              static_cast<win::LRESULT>(win::ERROR_CANCELLED));
}

TEST(ProxyCredentialDialogTest, AskRunsTheQuestionModally) {
    UnsentRequest request;
    uitest::ModalWatch ok([](QWidget* modal) {
        auto* dialog = qobject_cast<CProxyCredentialDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->UserNameEdit()->setText("kiv");
        dialog->OkButton()->click();
    });
    EXPECT_EQ(CProxyCredentialDialog::Ask(nullptr, *request.file), ERROR_INTERNET_FORCE_RETRY);
    EXPECT_TRUE(ok.Seen());
}

TEST(ProxyCredentialDialogTest, ClosingTheQuestionCancels) {
    UnsentRequest request;
    uitest::ModalWatch close([](QWidget* modal) { modal->close(); });
    EXPECT_EQ(CProxyCredentialDialog::Ask(nullptr, *request.file),
              static_cast<win::LRESULT>(win::ERROR_CANCELLED));
}

}  // namespace
