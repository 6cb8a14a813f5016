#pragma once
// The question a proxy's 407 leads to: user name and password for the proxy.
// It answers CTLM_INETERRORDLG the way the browser's internet error dialog
// does: 12032 (send the request again, the credentials are set on it) after
// OK, ERROR_CANCELLED after Cancel or Close.
#include <QDialog>
#include <string>

#include "platform/WindowTypes.h"

class QLineEdit;
class QPushButton;

namespace win {
class CHttpFile;
}

class CProxyCredentialDialog : public QDialog {
    Q_OBJECT
public:
    explicit CProxyCredentialDialog(QWidget* owner = nullptr);

    QString UserName() const;
    QString Password() const;
    QLineEdit* UserNameEdit() const { return userName_; }
    QLineEdit* PasswordEdit() const { return password_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

    // Runs the question modally over `owner` and applies the answer to `request`.
    static win::LRESULT Ask(QWidget* owner, win::CHttpFile& request);
    // Runs the question modally over `owner`: true after OK, with the texts
    // in the process code page.
    static bool Ask(QWidget* owner, std::string& user, std::string& password);
    // The window title, in the user's language.
    static QString Title();

private:
    QLineEdit* userName_;
    QLineEdit* password_;
    QPushButton* ok_;
    QPushButton* cancel_;
};
