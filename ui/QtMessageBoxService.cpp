#include "ui/QtMessageBoxService.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include "resources/StringIds.h"
#include "ui/MsgBoxLayout.h"
#include "ui/MyMsgBox.h"
#include "ui/ProxyWindow.h"
#include "ui/QtText.h"
#include "ui/WindowWidgets.h"

namespace {

// A box that went with its owner while open counts as dismissed.
int RunBox(QPointer<CMyMsgBox> box) {
    const int answer = box->DoModal();
    if (box == nullptr) {
        return IDDISMISSED;
    }
    delete box;
    return answer;
}

QMessageBox::Icon StandardIcon(unsigned style) {
    switch (kivui::IconOf(style)) {
        case kivui::MsgBoxIcon::Stop:
            return QMessageBox::Critical;
        case kivui::MsgBoxIcon::Question:
            return QMessageBox::Question;
        case kivui::MsgBoxIcon::Information:
            return QMessageBox::Information;
        case kivui::MsgBoxIcon::Warning:
            break;
    }
    return QMessageBox::Warning;
}

int RunStandardBox(const std::string& text, const std::string& caption, unsigned style) {
    QMessageBox box(StandardIcon(style), kivui::FromProcessText(caption),
                    kivui::FromProcessText(text));
    // The text carries the page's caption: never markup, never a link to open.
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::NoTextInteraction);
    const kivui::MsgBoxKind kind = kivui::KindOf(style);
    int shown = 0;
    QPushButton* preferred = nullptr;
    const int preferredIndex = kivui::DefaultButtonIndex(style, kind.shown);
    for (const int code : kind.codes) {
        if (code == 0) {
            continue;
        }
        const QMessageBox::ButtonRole role =
            code == IDCANCEL || code == IDNO ? QMessageBox::RejectRole : QMessageBox::AcceptRole;
        QPushButton* button = box.addButton(
            kivui::LoadQString(textid::kButtonOk + static_cast<unsigned>(code - IDOK)), role);
        button->setProperty("kivResult", code);
        if (shown++ == preferredIndex) {
            preferred = button;
        }
    }
    if (shown == 0) {
        QPushButton* ok =
            box.addButton(kivui::LoadQString(textid::kButtonOk), QMessageBox::AcceptRole);
        ok->setProperty("kivResult", IDOK);
    }
    if (preferred != nullptr) {
        box.setDefaultButton(preferred);
    }
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    return clicked != nullptr ? clicked->property("kivResult").toInt() : IDCANCEL;
}

std::string EffectiveCaption(const std::string& caption) {
    return caption.empty() ? kivui::ApplicationName() : caption;
}

}  // namespace

int CQtMessageBoxService::ShowMessageBox(win::HWND owner, const std::string& text,
                                         const std::string& caption, unsigned style) {
    const std::string title = EffectiveCaption(caption);
    if (kivui::OnThreadOf(uiContext_)) {
        return RunBox(new CMyMsgBox(text, title, style, kivui::WidgetOfWindow(owner), owner));
    }
    CProxyWindow proxy(title, owner);
    // Copies: a dismissal ends the wait here while the UI thread may still run the box.
    return proxy.RunModal(uiContext_, [owner, text, title, style](CProxySession& session) {
        if (session.Ended()) {
            return IDDISMISSED;
        }
        QPointer<CMyMsgBox> box = new CMyMsgBox(text, title, style, kivui::WidgetOfWindow(owner),
                                                owner, CMyMsgBox::Handle::None);
        session.Attach(box.data());
        return RunBox(box);
    });
}

int CQtMessageBoxService::ShowStandardMessageBox(const std::string& text,
                                                 const std::string& caption, unsigned style) {
    const std::string title = EffectiveCaption(caption);
    if (kivui::OnThreadOf(uiContext_)) {
        return RunStandardBox(text, title, style);
    }
    CProxyWindow proxy(title);
    return proxy.RunModal(uiContext_, [text, title, style](CProxySession& session) {
        return session.Ended() ? IDDISMISSED : RunStandardBox(text, title, style);
    });
}
