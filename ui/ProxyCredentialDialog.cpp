#include "ui/ProxyCredentialDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/HttpFile.h"
#include "platform/Language.h"
#include "platform/WinTypes.h"
#include "resources/StringIds.h"
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

}  // namespace

CProxyCredentialDialog::CProxyCredentialDialog(QWidget* owner)
    : QDialog(owner), userName_(new QLineEdit(this)), password_(new QLineEdit(this)) {
    const CredentialTexts texts = TextsForUser();
    setWindowTitle(Title());
    setModal(true);
    password_->setEchoMode(QLineEdit::Password);

    auto* prompt = new QLabel(kivui::LoadQString(textid::kProxyAuthRequired), this);
    prompt->setWordWrap(true);
    auto* fields = new QFormLayout;
    fields->addRow(QString::fromUtf8(texts.userName), userName_);
    fields->addRow(QString::fromUtf8(texts.password), password_);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(kivui::LoadQString(textid::kButtonOk), QDialogButtonBox::AcceptRole);
    cancel_ =
        buttons->addButton(kivui::LoadQString(textid::kButtonCancel), QDialogButtonBox::RejectRole);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    userName_->setFocus();
}

QString CProxyCredentialDialog::Title() {
    return QString::fromUtf8(TextsForUser().title);
}

QString CProxyCredentialDialog::UserName() const {
    return userName_->text();
}

QString CProxyCredentialDialog::Password() const {
    return password_->text();
}

win::LRESULT CProxyCredentialDialog::Ask(QWidget* owner, win::CHttpFile& request) {
    std::string user;
    std::string password;
    if (!Ask(owner, user, password)) {
        return win::ERROR_CANCELLED;
    }
    request.SetProxyCredentials(user, password);
    return ERROR_INTERNET_FORCE_RETRY;
}

bool CProxyCredentialDialog::Ask(QWidget* owner, std::string& user, std::string& password) {
    // On the heap: the question goes with its owner if the page closes meanwhile.
    QPointer<CProxyCredentialDialog> dialog = new CProxyCredentialDialog(owner);
    const int result = dialog->exec();
    if (dialog == nullptr) {
        return false;
    }
    const bool accepted = result == QDialog::Accepted;
    if (accepted) {
        user = kivui::ToProcessText(dialog->UserName());
        password = kivui::ToProcessText(dialog->Password());
    }
    delete dialog;
    return accepted;
}
