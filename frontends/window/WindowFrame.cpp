#include "frontends/window/WindowFrame.h"

#include <QCloseEvent>
#include <QPalette>
#include <QVBoxLayout>

#include "frontends/window/WindowPageView.h"

CWindowFrame::CWindowFrame(const QString& title, QSize objectSize)
    : pageView_(new CWindowPageView(objectSize, this)) {
    setWindowTitle(title);
    QPalette body = palette();
    body.setColor(QPalette::Window, Qt::white);
    setPalette(body);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kBodyMargin, kBodyMargin, kBodyMargin, kBodyMargin);
    layout->addWidget(pageView_, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addStretch(1);
}

void CWindowFrame::CloseForGood() {
    closing_ = true;
    close();
}

void CWindowFrame::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    event->ignore();
    if (onCloseRequest_) onCloseRequest_();
}
