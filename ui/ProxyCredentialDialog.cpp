#include "ui/ProxyCredentialDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/HttpFile.h"
#include "platform/Language.h"
#include "platform/WinTypes.h"
#include "transfer/ControlMessages.h"
#include "ui/QtText.h"

namespace {

// The platform dialog's own wording (not the program's string table).
struct CredentialTexts {
    const char* title;
    const char* userName;
    const char* password;
};

CredentialTexts TextsForUser() {
    if (win::UserLanguage() == win::Language::Japanese) {
        return {"プロキシ認証", "ユーザー名:", "パスワード:"};
    }
    return {"Proxy Authentication", "User name:", "Password:"};
}

constexpr unsigned kProxyAuthRequiredText = 242;
constexpr unsigned kOkText = 110;
constexpr unsigned kCancelText = 111;

}  // namespace

CProxyCredentialDialog::CProxyCredentialDialog(QWidget* owner)
    : QDialog(owner), userName_(new QLineEdit(this)), password_(new QLineEdit(this)) {
    const CredentialTexts texts = TextsForUser();
    setWindowTitle(QString::fromUtf8(texts.title));
    setModal(true);
    password_->setEchoMode(QLineEdit::Password);

    auto* prompt = new QLabel(kivui::LoadQString(kProxyAuthRequiredText), this);
    prompt->setWordWrap(true);
    auto* fields = new QFormLayout;
    fields->addRow(QString::fromUtf8(texts.userName), userName_);
    fields->addRow(QString::fromUtf8(texts.password), password_);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(kivui::LoadQString(kOkText), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(kivui::LoadQString(kCancelText), QDialogButtonBox::RejectRole);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    userName_->setFocus();
}

QString CProxyCredentialDialog::UserName() const {
    return userName_->text();
}

QString CProxyCredentialDialog::Password() const {
    return password_->text();
}

win::LRESULT CProxyCredentialDialog::Apply(int dialogResult, const CProxyCredentialDialog& dialog,
                                           win::CHttpFile& request) {
    if (dialogResult != QDialog::Accepted) {
        return win::ERROR_CANCELLED;
    }
    request.SetProxyCredentials(kivui::ToProcessText(dialog.UserName()),
                                kivui::ToProcessText(dialog.Password()));
    return ERROR_INTERNET_FORCE_RETRY;
}

win::LRESULT CProxyCredentialDialog::Ask(QWidget* owner, win::CHttpFile& request) {
    CProxyCredentialDialog dialog(owner);
    const int result = dialog.exec();
    return Apply(result, dialog, request);
}
