#include "frontends/window/WindowLeaveQuestion.h"

#include <QMessageBox>
#include <QPushButton>

#include "resources/StringIds.h"
#include "ui/QtText.h"

namespace {}  // namespace

CWindowLeaveQuestion::~CWindowLeaveQuestion() {
    // An answer after the asker is gone would reach nobody.
    if (box_ != nullptr) {
        QObject::disconnect(box_, nullptr, nullptr, nullptr);
        delete box_;
    }
}

QString CWindowLeaveQuestion::Title() {
    return kivui::LoadQString(textid::kProductName);
}

QString CWindowLeaveQuestion::Body(const std::string& leaveText) {
    return QStringLiteral("Do you want to leave this page?\n\n") +
           kivui::FromProcessText(leaveText);
}

bool CWindowLeaveQuestion::Open(QWidget* parent, const std::string& leaveText,
                                std::function<void(bool)> answered) {
    if (box_ != nullptr) return false;
    auto* box = new QMessageBox(QMessageBox::Warning, Title(), Body(leaveText),
                                QMessageBox::NoButton, parent);
    // The leave text is the page's: shown as it is, never as markup or a link.
    box->setTextFormat(Qt::PlainText);
    box->setTextInteractionFlags(Qt::NoTextInteraction);
    QPushButton* leave = box->addButton(LeaveButtonText(), QMessageBox::AcceptRole);
    QPushButton* stay = box->addButton(StayButtonText(), QMessageBox::RejectRole);
    // Staying is the safe answer: a stray Enter must not end the download.
    box->setDefaultButton(stay);
    box->setEscapeButton(stay);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QObject::connect(box, &QDialog::finished, box, [this, box, leave, answered](int) {
        const bool leaving = box->clickedButton() == leave;
        box_ = nullptr;
        if (answered) answered(leaving);
    });
    box_ = box;
    box->open();
    return true;
}

void CWindowLeaveQuestion::AnswerLeave() {
    if (box_ == nullptr) return;
    for (QAbstractButton* button : box_->buttons()) {
        if (box_->buttonRole(button) == QMessageBox::AcceptRole) {
            button->click();
            return;
        }
    }
}
