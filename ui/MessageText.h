#pragma once
// The message box's text (control 226): drawn and measured with the same
// text flags, so the box grows to exactly the extent the text is drawn in.
// Tabs are expanded and lines wrap at word boundaries; a word too long for
// the wrap width is broken inside, so no part of a message is cut off.
#include <QSize>
#include <QString>
#include <QWidget>

namespace kivui {

class CMessageText : public QWidget {
    Q_OBJECT
public:
    explicit CMessageText(QWidget* parent = nullptr);

    void SetText(const QString& text);
    const QString& Text() const { return text_; }

    // The text's extent with this widget's font: unwrapped (only its own line
    // breaks); when wider than `wrapWidth`, wrapped at that width. Chooses
    // the drawing flags to match.
    QSize MeasureText(int wrapWidth);
    int TextFlags() const { return flags_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    int flags_;
};

}  // namespace kivui
