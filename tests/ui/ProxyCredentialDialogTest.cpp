// The proxy-credential question's answers to CTLM_INETERRORDLG.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "platform/CodePage.h"
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

// Fills in the question that is open and presses OK.
void AnswerWith(QWidget* modal, const QString& user, const QString& password) {
    auto* dialog = qobject_cast<CProxyCredentialDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->PasswordEdit()->echoMode(), QLineEdit::Password);
    dialog->UserNameEdit()->setText(user);
    dialog->PasswordEdit()->setText(password);
    dialog->OkButton()->click();
}

TEST(ProxyCredentialDialogTest, OkGivesTheTextsInTheProcessCodePage) {
    ASSERT_TRUE(win::SetProcessCodePage(win::CP_SHIFT_JIS));
    std::string user;
    std::string password;
    {
        uitest::ModalWatch ok(
            [](QWidget* modal) { AnswerWith(modal, QString::fromUtf8("山田"), "s3cret"); });
        EXPECT_TRUE(CProxyCredentialDialog::Ask(nullptr, user, password));
    }
    win::SetProcessCodePage(win::CP_UTF8);
    EXPECT_EQ(user, "\x8E\x52\x93\x63");  // 山田 in Shift-JIS
    EXPECT_EQ(password, "s3cret");
}

TEST(ProxyCredentialDialogTest, RequestIsSentAgainOnlyAfterOk) {
    UnsentRequest request;
    {
        uitest::ModalWatch ok([](QWidget* modal) { AnswerWith(modal, "kiv", "s3cret"); });
        EXPECT_EQ(CProxyCredentialDialog::Ask(nullptr, *request.file), ERROR_INTERNET_FORCE_RETRY);
    }
    {
        uitest::ModalWatch cancel([](QWidget* modal) {
            qobject_cast<CProxyCredentialDialog*>(modal)->CancelButton()->click();
        });
        EXPECT_EQ(CProxyCredentialDialog::Ask(nullptr, *request.file),
                  static_cast<win::LRESULT>(win::ERROR_CANCELLED));
    }
    uitest::ModalWatch close([](QWidget* modal) { modal->close(); });
    std::string user = "kept";
    std::string password;
    EXPECT_FALSE(CProxyCredentialDialog::Ask(nullptr, user, password));
    EXPECT_EQ(user, "kept");
}

}  // namespace
