#include "WindowFrame.h"

#include <QLinearGradient>
#include <QPainter>

namespace shots {

namespace {
constexpr int kTitleHeight = 24;
constexpr int kBorder = 1;
}  // namespace

QImage Framed(const QImage& client, const QString& title, bool closable) {
    QImage framed(client.width() + 2 * kBorder, client.height() + kTitleHeight + 2 * kBorder,
                  QImage::Format_RGB32);
    framed.fill(QColor(88, 108, 140));
    QPainter painter(&framed);
    const QRect bar(kBorder, kBorder, client.width(), kTitleHeight);
    QLinearGradient shade(bar.topLeft(), bar.topRight());
    shade.setColorAt(0, QColor(10, 36, 106));
    shade.setColorAt(1, QColor(166, 202, 240));
    painter.fillRect(bar, shade);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(bar.adjusted(6, 0, -28, 0), Qt::AlignLeft | Qt::AlignVCenter, title);
    const QRect close(bar.right() - 20, bar.top() + 4, 16, 16);
    painter.fillRect(close, QColor(212, 208, 200));
    painter.setPen(closable ? Qt::black : QColor(160, 160, 160));
    painter.drawLine(close.adjusted(4, 4, -5, -5).topLeft(),
                     close.adjusted(4, 4, -5, -5).bottomRight());
    painter.drawLine(close.adjusted(4, 4, -5, -5).topRight(),
                     close.adjusted(4, 4, -5, -5).bottomLeft());
    painter.drawImage(kBorder, kBorder + kTitleHeight, client);
    return framed;
}

}  // namespace shots
