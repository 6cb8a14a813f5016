#pragma once
// A plain window frame around a grabbed top-level widget: the offscreen
// platform draws no decorations, so pictures of boxes get a title bar here.
#include <QImage>
#include <QString>

namespace shots {

// `client` under a title bar showing `title`; the close glyph is greyed when
// the window cannot be closed.
QImage Framed(const QImage& client, const QString& title, bool closable);

}  // namespace shots
