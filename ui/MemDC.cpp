// Off-screen drawing surface copied to its target in one operation.
#include "ui/MemDC.h"

#include <QPaintDevice>

CMemDC::CMemDC(QPainter& target, const QRect& area) : target_(target), area_(area) {
    const QPaintDevice* device = target.device();
    if (device != nullptr && device->devType() == QInternal::Printer) return;
    if (area_.isEmpty()) return;
    surface_ = QPixmap(area_.size());
    surface_.fill(Qt::white);
    painter_.emplace(&surface_);
    painter_->translate(-area_.topLeft());
    painter_->setFont(target.font());
}

CMemDC::~CMemDC() {
    if (!painter_) return;
    painter_->end();
    target_.drawPixmap(area_.topLeft(), surface_);
}

QPainter& CMemDC::Painter() {
    return painter_ ? *painter_ : target_;
}
